#pragma once
// Opening a file that the program only reads (pictures): a named pipe under a picture's name
// must not block the open, a terminal must not become the controlling one, and anything but a
// plain file is refused, so that a hostile card can't hang or steer the program.
#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace pixbako {

// A read-only descriptor of the plain file at `path` (close-on-exec), or -1 with errno set
// (EINVAL when it is no plain file). `status`, when given, receives the file's status.
int openPlainFileForReading(const std::string& path, struct stat* status = nullptr);

// pread(2) that starts again when a signal interrupts it: the bytes read (0 at the end of the
// file, possibly fewer than `size`), or -1 with errno set.
long readSomeAt(int fd, void* buffer, std::size_t size, off_t offset);

} // namespace pixbako
