#include "platform/UniqueFd.h"

#include <cerrno>
#include <unistd.h>

namespace pixbako {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

int UniqueFd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

int UniqueFd::close() {
    if (fd_ < 0)
        return 0;
    // Linux releases the descriptor even when close fails, so it is never retried; EINTR
    // reports no lost data.
    int result = ::close(release());
    return result == 0 || errno == EINTR ? 0 : errno;
}

} // namespace pixbako
