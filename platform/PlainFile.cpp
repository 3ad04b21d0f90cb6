#include "platform/PlainFile.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace pixbako {

int openPlainFileForReading(const std::string& path, struct stat* status) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return -1;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISREG(st.st_mode) ? errno : EINVAL;
        fd.close();
        errno = error;
        return -1;
    }
    if (status)
        *status = st;
    return fd.release();
}

long readSomeAt(int fd, void* buffer, std::size_t size, off_t offset) {
    for (;;) {
        const ssize_t count = ::pread(fd, buffer, size, offset);
        if (count >= 0 || errno != EINTR)
            return static_cast<long>(count);
    }
}

} // namespace pixbako
