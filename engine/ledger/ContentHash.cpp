#include "engine/ledger/ContentHash.h"

#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <xxhash.h>
#if defined(__x86_64__)
// The library's variant that picks the widest vector unit of the processor at run time (AVX2
// or AVX-512 instead of SSE2): the same hash at about twice the speed, which keeps hashing a
// small part of a copy from a fast card.
#include <xxh_x86dispatch.h>
#endif

namespace pixbako {

std::string ContentHash::hex() const {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0f];
    }
    return text;
}

void ContentHasher::FreeState::operator()(XXH3_state_s* state) const {
    XXH3_freeState(state);
}

ContentHasher::ContentHasher() : state_(XXH3_createState()) {
    if (!state_)
        throw std::bad_alloc();
    reset();
}

ContentHasher::~ContentHasher() = default;
ContentHasher::ContentHasher(ContentHasher&&) noexcept = default;
ContentHasher& ContentHasher::operator=(ContentHasher&&) noexcept = default;

void ContentHasher::reset() {
    XXH3_128bits_reset(state_.get());
}

void ContentHasher::update(const void* data, std::size_t size) {
    if (size > 0)
        XXH3_128bits_update(state_.get(), data, size);
}

ContentHash ContentHasher::digest() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_.get()));
    ContentHash hash;
    static_assert(sizeof canonical.digest == sizeof hash.bytes);
    for (std::size_t i = 0; i < hash.bytes.size(); ++i)
        hash.bytes[i] = canonical.digest[i];
    return hash;
}

FileHash hashFile(const std::string& path, bool fromDisk) {
    FileHash result;
    // A plain file only: a pipe or a device under a picture's name must not hang the check.
    UniqueFd fd(openPlainFileForReading(path));
    if (!fd) {
        result.error = errno;
        return result;
    }
    // Reading leaves the access time as it was where the owner reads (a card's picture keeps
    // the time its copy will get).
    if (const int flags = ::fcntl(fd.get(), F_GETFL); flags >= 0)
        ::fcntl(fd.get(), F_SETFL, flags | O_NOATIME);
    if (fromDisk)
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    constexpr std::size_t kBlock = 1 << 20;
    thread_local std::unique_ptr<char[]> buffer(new char[kBlock]);
    ContentHasher hasher;
    for (off_t offset = 0;;) {
        const long got = readSomeAt(fd.get(), buffer.get(), kBlock, offset);
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0)
            break;
        hasher.update(buffer.get(), static_cast<std::size_t>(got));
        offset += got;
        result.size += static_cast<std::uint64_t>(got);
    }
    result.hash = hasher.digest();
    return result;
}

} // namespace pixbako
