#include "platform/OpenFileLimit.h"

#include "platform/UniqueDir.h"

#include <sys/resource.h>

namespace pixbako {
namespace {

// Counts the entries of /proc/self/fd, the listing's own descriptor included (it is closed
// again, so the count errs on the safe side by one). Without /proc: a few standard ones.
std::size_t openDescriptors() {
    const UniqueDir folder = UniqueDir::open("/proc/self/fd");
    if (!folder)
        return 16;
    std::size_t count = 0;
    while (const dirent* entry = folder.next())
        if (entry->d_name[0] != '.')
            ++count;
    return count;
}

} // namespace

void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

std::size_t openFilesLeft() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return static_cast<std::size_t>(-1);
    const std::size_t open = openDescriptors();
    return limit.rlim_cur > open ? static_cast<std::size_t>(limit.rlim_cur) - open : 0;
}

} // namespace pixbako
