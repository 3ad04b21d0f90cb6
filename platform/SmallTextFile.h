#pragma once
// Whole reads of the small text files the program keeps for itself: the settings file and the
// counter files. Such a file holds a few hundred bytes. One of a GiB (a sparse file costs
// nothing to make) is no such file, and reading it whole would take seconds and as much memory,
// so the read stops at a limit and never trusts the size the file claims.
#include <cstddef>
#include <string>

namespace pixbako {

// Far above any real settings or counter file.
inline constexpr std::size_t kSmallTextFileLimit = std::size_t{1} << 20;

struct SmallTextFileRead {
    // 0 when read; ENOENT when there is no such file; EFBIG when it holds more than the limit;
    // EISDIR or EINVAL when it is a folder or no plain file; otherwise the errno of the open or
    // the read.
    int error = 0;
    std::string bytes; // the whole file when error is 0
};

// Reads the plain file at `path` whole when it holds at most `limit` bytes. A named pipe under
// that name doesn't block the open, and a terminal doesn't become the controlling one.
SmallTextFileRead readSmallTextFile(const std::string& path,
                                    std::size_t limit = kSmallTextFileLimit);

} // namespace pixbako
