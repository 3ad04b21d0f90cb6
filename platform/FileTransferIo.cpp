// Small system-call wrappers of the file transfer: descriptors, reads and writes that survive
// interruptions, the temporary file, atomic naming and folder flushes.
#include "platform/FileTransferSteps.h"

#include "platform/TemporaryName.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako::transfer {

long readSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR)
            return static_cast<long>(got);
    }
}

int writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (put == 0) // a regular file never does this; don't spin on it
            return EIO;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool unchangedSince(const struct stat& before, const struct stat& now) {
    return now.st_size == before.st_size && sameTime(now.st_mtim, before.st_mtim) &&
           sameTime(now.st_ctim, before.st_ctim);
}

ProgressReport::ProgressReport(ITransferDialogs& dialogs, const std::string& source,
                               std::uint64_t total)
    : dialogs_(dialogs) {
    dialogs_.progressStart(source, total);
}

bool ProgressReport::advance(std::uint64_t bytes) {
    done_ += bytes;
    return dialogs_.progressUpdate(done_);
}

void ProgressReport::end() {
    if (open_) {
        open_ = false;
        dialogs_.progressEnd();
    }
}

TemporaryFile::~TemporaryFile() {
    fd_.close();
    if (!name_.empty() && !published_)
        ::unlinkat(folderFd_, name_.c_str(), 0);
}

Outcome TemporaryFile::create() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (::getrandom(random, sizeof random, 0) != sizeof random)
            continue; // interrupted while the entropy pool starts up: draw again
        std::string name = transferTemporaryName(random);
        // Readable by the owner only until the copy is complete and gets its final bits.
        int fd = ::openat(folderFd_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            fd_ = UniqueFd(fd);
            name_ = std::move(name);
            return std::nullopt;
        }
        if (errno != EEXIST)
            return failureFromErrno(errno, TransferError::WriteFailed, destinationPath_);
    }
    return failureFromErrno(EEXIST, TransferError::WriteFailed, destinationPath_);
}

Outcome TemporaryFile::close() {
    if (int error = fd_.close())
        return failureFromErrno(error, TransferError::WriteFailed, destinationPath_);
    return std::nullopt;
}

namespace {

bool flagsUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

bool hardLinksUnsupported(int error) {
    // vfat and exFAT answer EPERM; some network file systems EOPNOTSUPP.
    return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK;
}

// 0 or the error number.
int flushFolder(int folderFd) {
    if (::fsync(folderFd) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // The file system can't flush a folder through a descriptor: flushing all of it writes the
    // folder's entries too.
    return ::syncfs(folderFd) == 0 ? 0 : errno;
}

// Takes back a hard link just made, when the old name didn't go: the file must not stay under
// two names, where a change through one would change the other. Only while the new name still
// holds the same file, so that nothing written there meanwhile is removed.
void removeNewName(int fromFolder, const char* from, int toFolder, const char* to) {
    struct stat old {};
    struct stat placed {};
    if (::fstatat(fromFolder, from, &old, AT_SYMLINK_NOFOLLOW) == 0 &&
        ::fstatat(toFolder, to, &placed, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(old, placed))
        ::unlinkat(toFolder, to, 0);
}

// Claims the name with a hard link, then removes the old one. Unlike a rename these are two
// steps that a crash can separate, so an original's old name goes only after the new name has
// been flushed to the disk.
int linkThenUnlink(int fromFolder, const char* from, int toFolder, const char* to,
                   OldName oldName) {
    int error = oldName == OldName::Original ? flushFolder(toFolder) : 0;
    if (error == 0 && ::unlinkat(fromFolder, from, 0) != 0)
        error = errno;
    if (error != 0)
        removeNewName(fromFolder, from, toFolder, to);
    return error;
}

} // namespace

int placeFile(int fromFolder, const std::string& fromName, int toFolder, const std::string& toName,
              bool replace, OldName oldName) {
    const char* from = fromName.c_str();
    const char* to = toName.c_str();
    if (replace)
        return ::renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;

    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (!flagsUnsupported(errno))
        return errno;

    // The file system can't rename without replacing: a hard link claims the name just as
    // atomically, then the old name goes.
    if (::linkat(fromFolder, from, toFolder, to, 0) == 0)
        return linkThenUnlink(fromFolder, from, toFolder, to, oldName);
    if (!hardLinksUnsupported(errno))
        return errno;

    // Neither (vfat without RENAME_NOREPLACE): look, then rename. Only a writer racing for the
    // same name in the same instant could be replaced here.
    struct stat existing {};
    if (::fstatat(toFolder, to, &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (errno != ENOENT)
        return errno;
    return ::renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;
}

Outcome syncFolder(int folderFd, const std::string& folderPath) {
    if (int error = flushFolder(folderFd))
        return failureFromErrno(error, TransferError::FlushFailed, folderPath);
    return std::nullopt;
}

} // namespace pixbako::transfer

namespace pixbako {

int flushFolderToDisk(const std::string& folder) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return errno;
    return transfer::flushFolder(fd.get());
}

} // namespace pixbako
