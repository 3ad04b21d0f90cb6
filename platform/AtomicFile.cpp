#include "platform/AtomicFile.h"

#include "platform/Paths.h"
#include "platform/TemporaryName.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

AtomicWriteResult failure(const char* step, int error) {
    return {false, error, std::string(step) + ": " + std::strerror(error)};
}

// A name beside the target that no other writer uses: process id and a per-process counter
// (TemporaryName.h), created with O_EXCL so that an old leftover is never reused. The leading
// dot keeps a leftover from a crash out of ordinary listings.
int createTemporary(const std::string& path, mode_t mode, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderPartOf(path);
    const std::string name = fileNameOf(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath =
            folder + writerTemporaryName(name, static_cast<std::uint64_t>(::getpid()), counter++);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (done == 0) { // a plain file never does this (a broken FUSE one can): don't spin
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return true;
}

} // namespace

AtomicWriteResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask
    // that open() applies by itself.
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
        keepMode = true;
    }

    std::string tempPath;
    UniqueFd fd(createTemporary(path, mode, tempPath));
    if (!fd)
        return failure("create", errno);

    auto abandon = [&](const char* step) {
        int error = errno;
        fd.close();
        ::unlink(tempPath.c_str());
        return failure(step, error);
    };
    if (keepMode && ::fchmod(fd.get(), mode) != 0 && errno != EPERM)
        return abandon("chmod");
    if (!writeAll(fd.get(), bytes))
        return abandon("write");
    if (::fsync(fd.get()) != 0)
        return abandon("fsync");
    // A late write error shows only here; the file must not replace the old one then.
    if (int error = fd.close(); error != 0) {
        ::unlink(tempPath.c_str());
        return failure("close", error);
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        return failure("rename", error);
    }
    // The rename is durable only when the folder's entry is on disk too.
    const UniqueFd dirFd(
        ::open(splitPath(path, ".").folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd) {
        // Some file systems refuse fsync on folders (EINVAL): flushing the whole file system
        // writes the folder's entries too.
        if (::fsync(dirFd.get()) != 0 && (errno != EINVAL || ::syncfs(dirFd.get()) != 0))
            return failure("fsync folder", errno);
    }
    return {true, 0, {}};
}

} // namespace pixbako
