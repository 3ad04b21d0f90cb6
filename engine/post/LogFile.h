#pragma once
// The run's log file: the processed-file list as a tab-separated text in the save folder,
// named after the moment it is written ("2026-12-08 063000123.LOG"). Like every file the
// program writes for itself it is CP932 with CRLF line ends (UTF-8 with a BOM when some name
// has no CP932 form), so that it reads the same on the Windows PCs a card travels to.
//
//     LogFileResult result = writeLogFile(saveFolder, readInFolder, list, localNow());
//     if (!result.ok) report(result.path, result.reason);
#include "engine/run/PlannedFile.h"
#include "platform/DateTime.h"

#include <string>
#include <string_view>

namespace pixbako {

// Year-month-day, a blank, then hour, minute, second and millisecond without separators.
inline constexpr std::string_view kLogFileNamePattern = "YYYY-MM-DD HHNNSSZZZ\".LOG\"";

std::string logFileName(TDateTime now);

// The log's text in UTF-8: title, read-in folder, headings, then one line per file row
// (old name, new folder, new name, time stamp). Nothing follows the last row's line.
std::string logFileText(std::string_view readInFolder, const std::vector<PlannedFile>& list);

struct LogFileResult {
    bool ok = false;
    std::string path;   // the file written, or the one that couldn't be
    std::string reason; // why not, for the error box
};

// Writes (or replaces) the log in `saveFolder` (the save folder as typed, a "/" added where
// missing). A file is either written whole or not at all: a failure leaves no partial log.
LogFileResult writeLogFile(std::string_view saveFolder, std::string_view readInFolder,
                           const std::vector<PlannedFile>& list, TDateTime now);

} // namespace pixbako
