#include "engine/post/PostRun.h"

#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

bool groupEndsAt(const FileList& list, std::size_t row) {
    return cellText(list, row, kNewFolderColumn) != cellText(list, row + 1, kNewFolderColumn) ||
           row == fileRowCount(list);
}

} // namespace

std::size_t groupEnds(const FileList& list) {
    std::size_t count = 0;
    for (std::size_t r = 1; r <= fileRowCount(list); ++r)
        // Compared with the row after, which reads as empty after the last row: a last group
        // with an empty folder (date folders off) doesn't end there by this rule.
        if (cellText(list, r, kNewFolderColumn) != cellText(list, r + 1, kNewFolderColumn))
            ++count;
    return count;
}

std::vector<std::string> foldersToOpen(const std::string& saveFolder, const FileList& list) {
    std::vector<std::string> folders;
    for (std::size_t r = 1; r <= fileRowCount(list); ++r)
        if (groupEndsAt(list, r))
            folders.push_back(withTrailingDelimiter(saveFolder) +
                              folderLevelsToPath(list[r][kNewFolderColumn]));
    return folders;
}

std::string automaticProgramParameter(const std::string& saveFolder, const FileList& list) {
    const std::string folder = withTrailingDelimiter(saveFolder);
    if (groupEnds(list) == 1)
        return folder + folderLevelsToPath(list[1][kNewFolderColumn]);
    return folder;
}

ProgramStart programStart(const ImportSettings& settings, const std::string& saveFolder,
                          const FileList& list) {
    ProgramStart start;
    start.program = settings.programPath;
    std::string parameter;
    switch (settings.programParameterMode) {
    case 1:
        parameter = automaticProgramParameter(saveFolder, list);
        break;
    case 2:
        parameter = settings.programParameter;
        break;
    default:
        break;
    }
    if (!parameter.empty())
        start.arguments.push_back(parameter);
    return start;
}

ProgramProblem checkProgram(const std::string& path) {
    if (!fileExists(path))
        return ProgramProblem::Missing;
    if (::access(path.c_str(), X_OK) != 0)
        return ProgramProblem::NotExecutable;
    return ProgramProblem::None;
}

} // namespace pixbako
