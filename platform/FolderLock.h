#pragma once
// Exclusive locks on folders that hold between processes and between two runs of one process:
// flock(2) on each folder's own descriptor. The kernel releases a lock when its descriptor is
// closed or its process ends, however it ends (kill -9 included), so a crash never leaves a
// folder locked the way a lock file would.
//
//     FolderLocks locks = lockFolders({"/photos/2005_03_12", "/photos/2005_03_13"});
//     if (locks.busy)
//         ...           // *locks.busy is held by someone else; nothing is held now
//     ...               // work in the folders; the locks end with `locks`
#include "platform/UniqueFd.h"

#include <optional>
#include <string>
#include <vector>

namespace pixbako {

class FolderLocks {
public:
    FolderLocks() = default;
    FolderLocks(FolderLocks&& other) noexcept;
    FolderLocks& operator=(FolderLocks&& other) noexcept;
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;
    ~FolderLocks() { release(); }

    void release();

    // The folder (as it was named) that another holder has locked; then none is held.
    std::optional<std::string> busy;

private:
    friend FolderLocks lockFolders(const std::vector<std::string>& folders);
    std::vector<UniqueFd> fds_;
};

// Locks every folder of the list, without waiting: all of them, or none when one is busy.
// The same folder under several names (links, a trailing "/") is locked once. A folder that
// doesn't exist, can't be opened, or lies on a file system without such locks (NFS answers
// EBADF for a folder) is left unlocked: there is nothing better to do there than to go on as
// before.
//
// Two holders that want overlapping sets take the shared folders in the same order (by device
// and inode), so that of two runs started together one gets all its folders.
FolderLocks lockFolders(const std::vector<std::string>& folders);

} // namespace pixbako
