#include "platform/Leftovers.h"

#include "platform/CounterName.h"
#include "platform/TemporaryName.h"
#include "platform/UniqueDir.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

constexpr std::string_view kTransferPrefix = ".pixbako-";
constexpr std::string_view kTransferSuffix = ".tmp";
constexpr std::string_view kCounterPrefix = ".PXBK.tmp";

bool allDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The writer's process id of a counter-file replacement, or 0 when the name is none (or the
// process id is no valid one).
pid_t counterTemporaryOwner(std::string_view name) {
    const auto process = writerTemporaryProcess(name, kCounterFileName);
    if (!process || *process > static_cast<std::uint64_t>(INT32_MAX))
        return 0;
    return static_cast<pid_t>(*process);
}

bool processRuns(pid_t pid) {
    // EPERM: it runs, under another user.
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// Whether some process this user can see holds the file open: the transfer keeps its copy
// open from creation until just before the rename.
bool heldOpen(dev_t device, ino_t inode) {
    const UniqueDir proc = UniqueDir::open("/proc");
    if (!proc)
        return true; // can't tell: keep the file
    while (dirent* process = proc.next()) {
        if (!allDigits(process->d_name))
            continue;
        const std::string fds = std::string("/proc/") + process->d_name + "/fd";
        const UniqueDir dir = UniqueDir::open(fds.c_str());
        if (!dir)
            continue;
        while (dirent* fd = dir.next()) {
            if (!allDigits(fd->d_name))
                continue;
            struct stat open {};
            if (::stat((fds + "/" + fd->d_name).c_str(), &open) == 0 && open.st_dev == device &&
                open.st_ino == inode)
                return true;
        }
    }
    return false;
}

} // namespace

bool isTransferLeftoverName(std::string_view name) {
    return (name.starts_with(kTransferPrefix) && name.ends_with(kTransferSuffix) &&
            name.size() > kTransferPrefix.size() + kTransferSuffix.size()) ||
           name.starts_with(kCounterPrefix);
}

std::vector<std::string> removeStaleLeftovers(const std::string& folder) {
    std::vector<std::string> removed;
    UniqueFd owned(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!owned)
        return removed;
    const int folderFd = owned.get();
    const UniqueDir dir = UniqueDir::adopt(owned);
    if (!dir)
        return removed;
    std::vector<std::string> candidates;
    while (dirent* entry = dir.next()) {
        std::string_view name = entry->d_name;
        if (isTransferTemporaryName(name) || counterTemporaryOwner(name) > 0)
            candidates.emplace_back(name);
    }
    for (const std::string& name : candidates) {
        struct stat status {};
        // Another user's file may belong to a live run of theirs whose open files this user
        // can't see: it stays.
        if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
            continue;
        const pid_t owner = counterTemporaryOwner(name);
        const bool live = owner > 0 ? processRuns(owner) : heldOpen(status.st_dev, status.st_ino);
        if (!live && ::unlinkat(folderFd, name.c_str(), 0) == 0)
            removed.push_back(name);
    }
    return removed;
}

} // namespace pixbako
