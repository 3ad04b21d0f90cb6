// The durable copy: the source's bytes, times and permission bits in a temporary file that is
// flushed to the disk, optionally read back and compared before anyone relies on it.
//
// Plain read and write on purpose: reflinks, copy_file_range and sendfile have corrupted data
// on some file systems, and a copy of originals must be boring.
#include "platform/FileTransferSteps.h"
#include "platform/PlainFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pixbako::transfer {
namespace {

Outcome cancelled() {
    return TransferFailure{TransferError::Cancelled, 0, {}};
}

Outcome giveSourceAttributes(const CopySource& source, TemporaryFile& temp) {
    // Permission bits without set-id bits. File systems without Unix modes (vfat) refuse
    // some of them; the copy is still the user's file, so that is no failure.
    ::fchmod(temp.fd(), source.status.st_mode & 0777);
    // The modification time carries the shot date of files without EXIF data: it must arrive.
    // Set after the last write, which would otherwise move it to now.
    const struct timespec times[2] = {source.status.st_atim, source.status.st_mtim};
    if (::futimens(temp.fd(), times) != 0)
        return failureFromErrno(errno, TransferError::WriteFailed, temp.destinationPath());
    return std::nullopt;
}

// Reads up to `size` bytes at `offset`, short only at the end of the file; -1 on error.
long readFull(int fd, char* buffer, std::size_t size, off_t offset) {
    std::size_t filled = 0;
    while (filled < size) {
        const long got =
            readSomeAt(fd, buffer + filled, size - filled, offset + static_cast<off_t>(filled));
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    return static_cast<long>(filled);
}

// The copy opened once more, to be read straight from the disk into our buffer (O_DIRECT):
// none of it passes through the page cache, which spares a copy of every byte and guarantees
// that what is compared is what the disk returns. Empty where the file system can't read so
// (some FUSE and network file systems) or the name no longer holds our copy.
UniqueFd openForDirectReading(const TemporaryFile& temp) {
    UniqueFd direct(::openat(temp.folderFd(), temp.name().c_str(),
                             O_RDONLY | O_DIRECT | O_NOATIME | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    struct stat ours {};
    if (!direct || ::fstat(direct.get(), &opened) != 0 || ::fstat(temp.fd(), &ours) != 0 ||
        !sameFile(opened, ours))
        return UniqueFd();
    return direct;
}

// Compares the flushed copy, as the disk returns it, with the source. `copyBuffer` is aligned
// for direct reading.
Outcome verifyCopy(const CopySource& source, TemporaryFile& temp, char* sourceBuffer,
                   char* copyBuffer, ProgressReport* progress) {
    const std::string& destination = temp.destinationPath();
    // The copy's pages are clean after its fsync (makeDurable's, just before); dropping them
    // frees the memory and, where the copy can't be read directly, makes the reads below come
    // from the disk instead of from the memory that was just written.
    ::posix_fadvise(temp.fd(), 0, 0, POSIX_FADV_DONTNEED);
    UniqueFd direct = openForDirectReading(temp);
    auto readThroughCache = [&] {
        direct = UniqueFd();
        // Reading must leave the copy's access time at the source's. We own the file, so this
        // can't be refused.
        int flags = ::fcntl(temp.fd(), F_GETFL);
        if (flags >= 0)
            ::fcntl(temp.fd(), F_SETFL, flags | O_NOATIME);
    };
    if (!direct)
        readThroughCache();
    // A direct read is short at the end of the file, where the next one, at an offset that is
    // no multiple of the disk's blocks, would be refused: it is read once per chunk, and the
    // length compared is checked against the copy's size below. A file system that refuses
    // direct reads after all is read through the cache.
    auto readCopy = [&](off_t offset) -> long {
        if (direct) {
            const long got = readSomeAt(direct.get(), copyBuffer, kChunkSize, offset);
            if (got >= 0 || errno != EINVAL)
                return got;
            readThroughCache();
        }
        return readFull(temp.fd(), copyBuffer, kChunkSize, offset);
    };

    off_t offset = 0;
    for (;;) {
        long fromSource = readFull(source.fd, sourceBuffer, kChunkSize, offset);
        if (fromSource < 0)
            return failureFromErrno(errno, TransferError::ReadFailed, source.path);
        long fromCopy = readCopy(offset);
        if (fromCopy < 0)
            return TransferFailure{TransferError::VerifyFailed, errno, destination};
        if (fromSource != fromCopy ||
            std::memcmp(sourceBuffer, copyBuffer, static_cast<std::size_t>(fromSource)) != 0)
            return TransferFailure{TransferError::VerifyFailed, 0, destination};
        offset += fromSource;
        if (progress && fromSource > 0 &&
            !progress->advance(static_cast<std::uint64_t>(fromSource)))
            return cancelled();
        if (fromSource < static_cast<long>(kChunkSize))
            break; // both ended here
    }
    // Everything compared, and all there is: the copy and the source both hold exactly the
    // bytes the source had when the copy began.
    struct stat copied {};
    if (::fstat(temp.fd(), &copied) != 0)
        return TransferFailure{TransferError::VerifyFailed, errno, destination};
    if (copied.st_size != offset || offset != source.status.st_size)
        return TransferFailure{TransferError::VerifyFailed, 0, destination};
    return std::nullopt;
}

// A writer that changed the source while we read it leaves a copy of no defined content.
Outcome checkSourceUnchanged(const CopySource& source) {
    struct stat now {};
    if (::fstat(source.fd, &now) != 0)
        return failureFromErrno(errno, TransferError::ReadFailed, source.path);
    if (!unchangedSince(source.status, now))
        return TransferFailure{TransferError::SourceChanged, 0, source.path};
    return std::nullopt;
}

// Asks the disk to start writing what has been copied so far, without waiting for it: the
// final flush then finds little left to write, and the copy doesn't pile up dirty pages.
void startWriteBack(int fd, off_t from, off_t to) {
    ::sync_file_range(fd, from, to - from, SYNC_FILE_RANGE_WRITE);
}

// The buffers of the read-back, which may run on helper threads: a few are kept for reuse,
// because a fresh 2 MiB block per file would be mapped and faulted in anew each time.
class ReadBackBuffers {
public:
    ReadBackBuffers() {
        std::lock_guard<std::mutex> lock(mutex());
        auto& spare = pool();
        if (!spare.empty()) {
            block_ = std::move(spare.back());
            spare.pop_back();
        } else {
            block_.reset(static_cast<char*>(::operator new[](2 * kChunkSize, kAlignment)));
        }
    }
    ~ReadBackBuffers() {
        std::lock_guard<std::mutex> lock(mutex());
        if (pool().size() < kKept)
            pool().push_back(std::move(block_));
    }
    ReadBackBuffers(const ReadBackBuffers&) = delete;
    ReadBackBuffers& operator=(const ReadBackBuffers&) = delete;
    char* source() { return block_.get(); }
    char* copy() { return block_.get() + kChunkSize; } // aligned for direct reading

private:
    static constexpr std::size_t kKept = 4;
    // Direct reads want their buffer aligned to the disk's blocks, at most a page.
    static constexpr std::align_val_t kAlignment{4096};
    struct Free {
        void operator()(char* block) const { ::operator delete[](block, kAlignment); }
    };

    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::unique_ptr<char[], Free>>& pool() {
        static std::vector<std::unique_ptr<char[], Free>> p = [] {
            std::vector<std::unique_ptr<char[], Free>> spare;
            spare.reserve(kKept); // so that giving a block back never allocates
            return spare;
        }();
        return p;
    }
    std::unique_ptr<char[], Free> block_;
};

} // namespace

Outcome writeCopy(const CopySource& source, TemporaryFile& temp, ProgressReport& progress) {
    // One buffer for every copy of the calling (GUI) thread: a fresh 1 MiB block per file
    // would be mapped and faulted in anew each time.
    thread_local std::unique_ptr<char[]> buffer(new char[kChunkSize]);
    ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(source.fd, 0, 0, POSIX_FADV_WILLNEED);
    off_t written = 0;
    off_t flushedTo = 0;
    for (;;) {
        long got = readSome(source.fd, buffer.get(), kChunkSize);
        if (got < 0)
            return failureFromErrno(errno, TransferError::ReadFailed, source.path);
        if (got == 0)
            break;
        if (source.onRead)
            source.onRead(buffer.get(), static_cast<std::size_t>(got));
        if (int error = writeAll(temp.fd(), buffer.get(), static_cast<std::size_t>(got)))
            return failureFromErrno(error, TransferError::WriteFailed, temp.destinationPath());
        written += got;
        if (written - flushedTo >= kWriteBackStep) {
            startWriteBack(temp.fd(), flushedTo, written);
            flushedTo = written;
        }
        if (!progress.advance(static_cast<std::uint64_t>(got)))
            return cancelled();
    }
    // A source that ends before the size it had when it was opened (a network or device file
    // system that lost data, a file cut short meanwhile) gives a copy of no defined content:
    // it must not be named, and a move must not delete its source.
    if (written != source.status.st_size)
        return TransferFailure{TransferError::SourceChanged, 0, source.path};
    // The rest of a small file is left to its flush, which writes a batch of them in one pass:
    // started alone, each would cost a disk request of its own.
    if (written > flushedTo && written >= kSmallFile)
        startWriteBack(temp.fd(), flushedTo, written);
    return giveSourceAttributes(source, temp);
}

Outcome makeDurable(const CopySource& source, TemporaryFile& temp, bool verify,
                    ProgressReport* progress) {
    // fsync, not fdatasync: the times and permission bits must be on the disk with the bytes
    // before the copy gets its name. A failed flush means the disk may not hold the data: that
    // file has failed, for good. Retrying could report success for pages the kernel has
    // already dropped.
    if (::fsync(temp.fd()) != 0)
        return failureFromErrno(errno, TransferError::FlushFailed, temp.destinationPath());
    if (verify) {
        ReadBackBuffers buffers;
        if (auto failure = verifyCopy(source, temp, buffers.source(), buffers.copy(), progress))
            return failure;
    }
    if (auto failure = checkSourceUnchanged(source))
        return failure;
    return temp.close();
}

} // namespace pixbako::transfer
