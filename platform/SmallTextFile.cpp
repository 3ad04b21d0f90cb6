#include "platform/SmallTextFile.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {

SmallTextFileRead readSmallTextFile(const std::string& path, std::size_t limit) {
    SmallTextFileRead result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd) {
        result.error = errno;
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return result;
    }
    // One byte beyond the limit tells a file that is too large; the string grows by what was
    // actually read, whatever size the file gives itself.
    constexpr std::size_t kChunk = 64 * 1024;
    const std::size_t wanted = limit < SIZE_MAX ? limit + 1 : limit;
    std::size_t used = 0;
    while (used < wanted) {
        result.bytes.resize(used + std::min(kChunk, wanted - used));
        ssize_t got = ::read(fd.get(), result.bytes.data() + used, result.bytes.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = errno;
            break;
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    fd.close();
    result.bytes.resize(used);
    if (result.error == 0 && used > limit)
        result.error = EFBIG;
    if (result.error != 0)
        result.bytes.clear();
    return result;
}

} // namespace pixbako
