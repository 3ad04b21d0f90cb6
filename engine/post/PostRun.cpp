#include "engine/post/PostRun.h"

#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

// Compared with the row after, which reads as no folder after the last row: a last group
// in the save folder itself (date folders off) doesn't end there by this rule.
bool folderChangesAfter(const std::vector<PlannedFile>& list, std::size_t row) {
    static const std::vector<std::string> none;
    const auto& next = row + 1 < list.size() ? list[row + 1].newFolderLevels : none;
    return list[row].newFolderLevels != next;
}

// The rows of files that were transferred or tried: a file left where it was because it was
// imported before has no new folder to open or hand to a program.
std::vector<PlannedFile> rowsWithNewFolders(const std::vector<PlannedFile>& list) {
    std::vector<PlannedFile> rows;
    for (const PlannedFile& row : list)
        if (row.outcome != FileOutcome::AlreadyImported)
            rows.push_back(row);
    return rows;
}

} // namespace

std::size_t groupEnds(const std::vector<PlannedFile>& list) {
    std::size_t count = 0;
    for (std::size_t r = 0; r < list.size(); ++r)
        if (folderChangesAfter(list, r))
            ++count;
    return count;
}

std::vector<std::string> foldersToOpen(const std::string& saveFolder,
                                       const std::vector<PlannedFile>& allRows) {
    const std::vector<PlannedFile> list = rowsWithNewFolders(allRows);
    std::vector<std::string> folders;
    for (std::size_t r = 0; r < list.size(); ++r)
        if (folderChangesAfter(list, r) || r + 1 == list.size())
            folders.push_back(withTrailingDelimiter(saveFolder) +
                              folderLevelsPath(list[r].newFolderLevels));
    return folders;
}

std::string automaticProgramParameter(const std::string& saveFolder,
                                      const std::vector<PlannedFile>& allRows) {
    const std::vector<PlannedFile> list = rowsWithNewFolders(allRows);
    const std::string folder = withTrailingDelimiter(saveFolder);
    if (groupEnds(list) == 1)
        return folder + folderLevelsPath(list[0].newFolderLevels);
    return folder;
}

ProgramStart programStart(const ImportSettings& settings, const std::string& saveFolder,
                          const std::vector<PlannedFile>& list) {
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
