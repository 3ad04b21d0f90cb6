#include "platform/FolderLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace pixbako {

FolderLocks::FolderLocks(FolderLocks&& other) noexcept
    : busy(std::move(other.busy)), fds_(std::move(other.fds_)) {
    other.busy.reset();
    other.fds_.clear();
}

FolderLocks& FolderLocks::operator=(FolderLocks&& other) noexcept {
    if (this != &other) {
        release();
        busy = std::move(other.busy);
        fds_ = std::move(other.fds_);
        other.busy.reset();
        other.fds_.clear();
    }
    return *this;
}

void FolderLocks::release() {
    // Closing the only descriptor of each open folder releases its lock.
    fds_.clear();
}

FolderLocks lockFolders(const std::vector<std::string>& folders) {
    struct Open {
        dev_t device;
        ino_t inode;
        UniqueFd fd;
        const std::string* name;
    };
    std::vector<Open> open;
    for (const std::string& folder : folders) {
        // O_CLOEXEC: a program started while the lock is held must not inherit it.
        UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
        if (!fd)
            continue;
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0)
            continue;
        open.push_back({st.st_dev, st.st_ino, std::move(fd), &folder});
    }
    auto key = [](const Open& o) { return std::tie(o.device, o.inode); };
    std::stable_sort(open.begin(), open.end(),
                     [&](const Open& a, const Open& b) { return key(a) < key(b); });

    FolderLocks locks;
    for (std::size_t i = 0; i < open.size(); ++i) {
        // A second descriptor of a folder already locked here would find it busy: two open
        // descriptions of one folder exclude each other even within one process.
        if (i > 0 && key(open[i]) == key(open[i - 1])) {
            open[i].fd.close();
            continue;
        }
        int result = 0;
        do
            result = ::flock(open[i].fd.get(), LOCK_EX | LOCK_NB);
        while (result != 0 && errno == EINTR);
        if (result == 0) {
            locks.fds_.push_back(std::move(open[i].fd));
            continue;
        }
        const int error = errno;
        open[i].fd.close();
        if (error == EWOULDBLOCK) {
            locks.release();
            locks.busy = *open[i].name;
            for (std::size_t j = i + 1; j < open.size(); ++j)
                open[j].fd.close();
            return locks;
        }
    }
    return locks;
}

} // namespace pixbako
