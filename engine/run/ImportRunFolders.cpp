// The destination folders of the import run: locked against other runs from before the first
// counter file is read until the last transfer is done.
#include "engine/run/ImportRun.h"

#include "platform/Paths.h"

namespace pixbako {
namespace {

// A folder as the user reads it in a message: without the delimiter that paths of the run
// carry at their end.
std::string shownFolder(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string ImportRun::destinationFolder(const FileListRow& row) const {
    return saveFolder_ + folderLevelsToPath(row[kNewFolderColumn]);
}

// Two runs into one folder (two windows, or a command-line run beside the window) would both
// continue from the same counter and replace each other's files. Every folder the run will
// write to is locked, so that a second run stops here, before it has read or written a
// counter file or touched any file. Locking the destination folders rather than the save
// folder also catches a second run whose save folder is one of this run's date folders.
ImportRun::Outcome ImportRun::lockDestinations() {
    std::vector<std::string> folders;
    const std::size_t n = fileRowCount(list_);
    for (std::size_t r = 1; r <= n; ++r) {
        if (r > 1 && list_[r][kNewFolderColumn] == list_[r - 1][kNewFolderColumn])
            continue;
        folders.push_back(destinationFolder(list_[r]));
        // A folder that can't be made shows up as the transfer's error for its files.
        createFolderWithParents(folders.back());
    }
    folderLocks_ = lockFolders(folders);
    if (!folderLocks_.busy)
        return Outcome::Done;
    showError("保存先のフォルダは別の処理で使用中です\r\n" + shownFolder(*folderLocks_.busy) +
              "\r\n処理を中止します");
    return Outcome::Stop;
}

} // namespace pixbako
