#include "platform/FatAttributes.h"

#include "platform/UniqueFd.h"

#include <cstdint>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace pixbako {
namespace {

// O_NONBLOCK so that opening an odd entry (a FIFO on a foreign file system) can't hang.
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

bool hasHiddenAttributeOf(int fd) {
    std::uint32_t attributes = 0;
    return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 &&
           (attributes & ATTR_HIDDEN) != 0;
}

} // namespace

bool isFatFileSystem(int fd) {
    struct statfs fs {};
    return ::fstatfs(fd, &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC;
}

bool setHiddenAttribute(const std::string& path) {
    UniqueFd file(::open(path.c_str(), kOpenFlags));
    if (file.get() < 0)
        return false;
    if (!isFatFileSystem(file.get()))
        return true;
    std::uint32_t attributes = 0;
    if (::ioctl(file.get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) != 0)
        return false;
    if (attributes & ATTR_HIDDEN)
        return true;
    attributes |= ATTR_HIDDEN;
    return ::ioctl(file.get(), FAT_IOCTL_SET_ATTRIBUTES, &attributes) == 0;
}

bool hasHiddenAttribute(const std::string& path) {
    UniqueFd file(::open(path.c_str(), kOpenFlags));
    return file.get() >= 0 && isFatFileSystem(file.get()) && hasHiddenAttributeOf(file.get());
}

bool hasHiddenAttributeAt(int dirFd, const char* name) {
    UniqueFd file(::openat(dirFd, name, kOpenFlags));
    return file.get() >= 0 && hasHiddenAttributeOf(file.get());
}

} // namespace pixbako
