// The destination folders of the import run: locked against other runs from before the first
// counter file is read until the last transfer is done, and flushed to the disk after copies.
#include "engine/run/ImportRun.h"

#include "platform/FileTransfer.h"
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

std::string ImportRun::destinationFolder(const PlannedFile& row) const {
    return saveFolder_ + folderLevelsPath(row.newFolderLevels);
}

// Two runs into one folder (two windows, or a command-line run beside the window) would both
// continue from the same counter and replace each other's files. Every folder the run will
// write to is locked, so that a second run stops here, before it has read or written a
// counter file or touched any file. Locking the destination folders rather than the save
// folder also catches a second run whose save folder is one of this run's date folders.
ImportRun::Outcome ImportRun::lockDestinations() {
    std::vector<std::string> folders;
    for (std::size_t r = 0; r < list_.size(); ++r) {
        if (r > 0 && list_[r].newFolderLevels == list_[r - 1].newFolderLevels)
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

// A copy is flushed with its bytes but its new name is not: one folder flush per folder at the
// end costs far less than one per file. It must come before anything tells the user that the
// run is done, who may format the card next; and a stopped run's copies count as much.
bool ImportRun::flushCopiedFolders() {
    bool ok = true;
    flushedFolders_.clear();
    for (const std::string& folder : copiedFolders_) {
        if (int error = flushFolderToDisk(folder)) {
            showError(transferErrorText(FileOperation::Copy, TransferError::FlushFailed, error) +
                      "\r\n" + shownFolder(folder));
            ok = false;
        } else {
            flushedFolders_.insert(folder);
        }
    }
    copiedFolders_.clear();
    return ok;
}

} // namespace pixbako
