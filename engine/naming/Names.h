#pragma once
// Composition of the new folder and file names of a run, and the live samples beside the
// pattern fields. Dates are written by formatDateText with the process-wide locale texts.
#include "engine/naming/SequenceStyle.h"
#include "platform/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

struct DateTextSettings;

// The renaming fields of the main window as a run reads them.
struct FileNameFields {
    std::string prefix;      // text before the date
    std::string datePattern; // date pattern
    std::string middle;      // text between the date and the sequence number
    bool numbering = true;   // append the sequence number
    SequenceStyle style;
};

// Prefix + formatted date + suffix; every "\" in it separates folder levels under the save
// folder.
std::string folderName(std::string_view prefix, std::string_view pattern, std::string_view suffix,
                       const LocalDateTime& shotDate, const DateTextSettings& texts);

// Sets the long time form of `texts` to "hhnnss", as the run does for every file it plans (it
// once wrote the time stamp's time through it), so the tokens "tt" and "c" formatted with
// `texts` give that form afterwards until something sets it again.
void setStampTimeForm(DateTextSettings& texts);

// The date that new file names are written with: the shot date cut to whole seconds, as its
// time stamp shows it.
LocalDateTime namingDate(const LocalDateTime& shotDate);

// From the last "." on, dot included, when it comes after the last "\", "/" or ":" (so
// "dir.d/file" has none); empty otherwise.
std::string extensionOf(std::string_view name);

// Case choice of the extension: 0 as it is, 1 lower case, 2 upper case (ASCII letters only);
// any other index gives an empty extension.
std::string convertExtensionCase(std::string_view extension, int caseIndex);

// Prefix + formatted naming date + middle text + [style around the number, when numbering] +
// extension (already case-converted).
std::string newFileName(const FileNameFields& fields, const LocalDateTime& namingDate,
                        std::int64_t number, std::string_view extension,
                        const DateTextSettings& texts);

// The samples of the sample refresh. Both format with the long time form empty, as the refresh
// sets it, so an empty pattern shows a single blank (nothing at midnight).
std::string folderSampleText(std::string_view prefix, std::string_view pattern,
                             std::string_view suffix, TDateTime now, const DateTextSettings& texts);
// Prefix + date + middle text + the start number in the style when numbering is on; never an
// extension.
std::string fileSampleText(const FileNameFields& fields, std::int64_t startNumber, TDateTime now,
                           const DateTextSettings& texts);

} // namespace pixbako
