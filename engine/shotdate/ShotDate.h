#pragma once
// The shot date of a file: the EXIF DateTimeOriginal of a JPEG file, or else the file's
// last-write time in local time at the two-second resolution of a DOS time stamp.
//
// The reader works in four stages, each usable on its own (tests and the fuzz target drive
// them on memory buffers):
//   1. collectApp1Data walks the JPEG markers up to the start of scan and gathers the payloads
//      of all APP1 segments;
//   2. findExifDateText looks for DateTimeOriginal in the first of them;
//   3. parseDateText turns that text into a date-time;
//   4. readShotDate ties them together for a file and falls back to the file time.
// Nothing is cached: every call opens, reads and closes the file again.
#include "platform/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pixbako {

struct DateTextSettings;

// The four ways reading a shot date can fail; what() is the message shown to the user.
class ShotDateError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen,    // the file can't be opened
        ReadError,     // truncated APP1 segment, EXIF directory outside the data, I/O error
        NotADate,      // the date text is neither a date-time nor a time
        NotConvertible // no date text and a file time outside the years 1980..2107
    };

    static ShotDateError cannotOpen(std::string_view path);
    static ShotDateError readError();
    // The text is shown cut to its first 64 characters and "…" when it is longer.
    static ShotDateError notADate(std::string_view text);
    static ShotDateError notConvertible();

    Kind kind() const { return kind_; }

private:
    ShotDateError(Kind kind, const std::string& message);
    Kind kind_;
};

// A forward-only source of bytes: a file read with plain reads, or a memory buffer.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Copies up to n bytes to dst; returns how many, 0 only at the end. Throws the read
    // error of ShotDateError when the operating system reports one.
    virtual std::size_t read(std::uint8_t* dst, std::size_t n) = 0;
    // Moves forward by n bytes without handing them out; moving past the end is allowed
    // (the next read then finds nothing).
    virtual void skip(std::uint64_t n) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override;
    void skip(std::uint64_t n) override;

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The walk reads the source in blocks of this size: a camera file's headers (EXIF block up to
// 64 KiB, tables) mostly arrive in one read; larger APP1 payloads are read straight into the
// collected data, and other segments beyond the block are skipped without reading.
inline constexpr std::size_t kMarkerBufferBytes = 64 * 1024;

// Collected APP1 payloads stop growing at this size. A real EXIF block is at most one
// segment of 64 KiB, so only crafted files get near it; they are still walked on.
inline constexpr std::size_t kMaxCollectedApp1Bytes = 4 * 1024 * 1024;

// The walk gives up when it has passed this many bytes of the file without meeting the start
// of scan: a camera's headers (EXIF block, maker notes, preview segments) take a few hundred
// KiB at most, while a crafted file of endless padding or chained segments would otherwise be
// read to its end, gigabytes without a chance to stop. The file then counts as one whose
// markers end there: no EXIF shot date.
inline constexpr std::uint64_t kMaxWalkBytes = 32 * 1024 * 1024;

struct App1Data {
    std::string collected;    // APP1 payloads before the start of scan, in file order
    bool reachedScan = false; // only a walk that reaches the start of scan counts
};

// Walks the JPEG markers. Never reads past the start-of-scan marker's code, nor (by more than
// one segment) past walkLimit. Throws the read error when an APP1 segment runs past the end
// of the source.
App1Data collectApp1Data(ByteSource& source, std::uint64_t walkLimit = kMaxWalkBytes);

enum class TiffByteOrder { LittleEndian, BigEndian };

// One 12-byte directory entry as read from the collected data.
struct TiffEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;  // the value field read as a 32-bit number
    std::size_t valuePos = 0; // where the value field lies in the collected data
};

// The DateTimeOriginal text of the collected data (its bytes as stored), or the empty text when the
// data hold no EXIF header, no EXIF directory or no such tag. Throws the read error when a
// directory, its entry count or an entry lies outside the data.
std::string findExifDateText(std::string_view collected);

// An entry's value as text: ASCII as its zero-terminated text at the value's offset; BYTE,
// SHORT, LONG and SLONG as a decimal number; RATIONAL and SRATIONAL as the quotient. Values
// whose bytes lie outside the data, ASCII without a zero byte before the end of the data, a
// zero denominator and other types give the empty text: never a read past the data.
std::string tagValueText(std::string_view collected, TiffByteOrder order, const TiffEntry& entry);

// The locale texts that reading a date text needs (Japanese values by default). A separator
// of '\0' means the locale has none: nothing matches it.
struct DateParseTexts {
    char timeSeparator = ':';
    char decimalSeparator = '.';
    std::string amText = "午前";
    std::string pmText = "午後";
};

// The texts of a locale record (DateFormat.h): the AM and PM texts and the time separator that
// the formatter writes are the ones a date text is read with. The record has no decimal
// separator; "." is kept.
DateParseTexts dateParseTexts(const DateTextSettings& settings);

// Reads an EXIF-style date text "yyyy:mm:dd hh:nn:ss" (and the looser forms a date text may
// take: two-number dates in the year of `now`, short years in the 100-year window starting
// 50 years before that year, optional seconds and milliseconds, AM/PM texts), falling back to
// a time alone on day 0. nullopt when the text is neither.
std::optional<LocalDateTime> parseDateText(std::string_view text, TDateTime now,
                                           const DateParseTexts& texts = {});

// The EXIF shot date of the bytes of a source: walk, find, read. The date text is read as UTF-8
// when it is valid UTF-8, else as CP932. nullopt when there is no date text, or only one made
// of zeros, blanks and colons (a camera's "unknown date"); throws
// ShotDateError (read error, not a date) otherwise.
std::optional<LocalDateTime> exifShotDate(ByteSource& source, TDateTime now,
                                          const DateParseTexts& texts = {});

// Where a shot date came from: a JPEG's EXIF block (or a plain TIFF's), a RAW picture's
// metadata, a HEIF picture's EXIF item, a movie's header, or the file's last-write time.
enum class ShotDateSource { Exif, Raw, Heif, Movie, FileTime };

struct ShotDate {
    LocalDateTime value;
    bool fromExif = false; // false: the file's last-write time
    ShotDateSource source = ShotDateSource::FileTime;
};

// The shot date of the file at path. Throws ShotDateError. With allFormats, RAW pictures,
// HEIF pictures and movies are read for the date their camera wrote as well (see
// FormatDates.h); a file of those that can't be made sense of gets its file time.
ShotDate readShotDate(const std::string& path, TDateTime now, const DateParseTexts& texts = {},
                      bool allFormats = false);

// readShotDate with the current local time and the parse texts of the locale's record.
LocalDateTime shotDateOf(const std::string& path, const DateTextSettings& texts,
                         bool allFormats = false);

} // namespace pixbako
