#pragma once
// The counter file "PXBK": one hidden INI file in every destination folder that remembers the
// last sequence number given there, so that numbering can go on in the next run. It also
// records the naming settings in use; numbering continues only while they are unchanged.
//
//     [AUTONUM]
//     LASTNUM=12
//     FNUM=3
//     FDATE="yyyy_mm_dd"
//     FMAE="P"
//     FATO="_"
//
// The three texts are written between double quotes and lose one pair when read, so their
// leading and trailing blanks survive. Counter files that come from Windows PCs (in CP932, the
// texts quoted or not) read the same way.
#include "platform/AtomicFile.h"
#include "platform/CounterName.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pixbako {

inline constexpr std::string_view kCounterSection = "AUTONUM";

struct CounterRecord {
    std::int64_t lastNumber = 0;            // LASTNUM
    std::int64_t styleIndex = 0;            // FNUM: item index of the sequence style
    std::string datePattern = "yyyy-mm-dd"; // FDATE: file date pattern
    std::string prefix;                     // FMAE: file prefix
    std::string middle;                     // FATO: middle text

    // Numbering continues from lastNumber only when the texts and style that wrote it are the
    // ones in use now (exact comparisons).
    bool sameNaming(const CounterRecord& other) const {
        return datePattern == other.datePattern && styleIndex == other.styleIndex &&
               prefix == other.prefix && middle == other.middle;
    }
};

// The counter file of a destination folder (a full path on disk, with or without a trailing
// "/").
std::string counterFilePath(std::string_view folder);

struct CounterReadResult {
    bool ok = true;       // false only when a file exists but can't be read
    bool exists = false;  // the folder has a counter file (not one whose LASTNUM is below
                          // zero or no number: that reads as no file, with lastNumber 0)
    CounterRecord record; // the defaults for keys (or a whole file) that are missing
    std::string message;  // Japanese text for an error box when !ok
};

CounterReadResult readCounterFile(const std::string& path);

// Writes all five keys, keeping any other content of the file, replaces the file atomically
// and sets its hidden attribute (FAT file systems only). `message` of a failure is the
// Japanese text for an error box.
AtomicWriteResult writeCounterFile(const std::string& path, const CounterRecord& record);

} // namespace pixbako
