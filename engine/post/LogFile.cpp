#include "engine/post/LogFile.h"

#include "engine/datepattern/DateFormat.h"
#include "platform/AtomicFile.h"
#include "platform/Encoding.h"
#include "platform/FileTime.h"
#include "platform/Paths.h"

#include <ctime>

namespace pixbako {

std::string logFileName(TDateTime now) {
    // The pattern writes only digits and fixed text, so no locale text enters the name.
    return formatDatePattern(kLogFileNamePattern, now, DateTextSettings{});
}

std::string logFileText(std::string_view readInFolder, const std::vector<PlannedFile>& list) {
    std::string text = "Pixbakoファイル操作ログファイル\r\n\r\n";
    text += "読込フォルダ名\t";
    text += readInFolder;
    text += "\r\n\r\n";
    text += "元のファイル名\t新フォルダ名\t新ファイル名\tタイムスタンプ\r\n";
    for (std::size_t r = 0; r < list.size(); ++r) {
        const PlannedFile& row = list[r];
        text += row.name + "\t" + folderLevelsText(row.newFolderLevels) + "\t" + row.newName +
                "\t" + stampText(row.shotDate);
        if (r + 1 < list.size())
            text += "\r\n";
    }
    return text;
}

LogFileResult writeLogFile(std::string_view saveFolder, std::string_view readInFolder,
                           const std::vector<PlannedFile>& list, TDateTime now) {
    LogFileResult result;
    result.path = withTrailingDelimiter(saveFolder) + logFileName(now);
    AtomicWriteResult written =
        writeFileAtomically(result.path, encodeTextFile(logFileText(readInFolder, list)));
    result.ok = written.ok;
    result.reason = written.message;
    return result;
}

} // namespace pixbako
