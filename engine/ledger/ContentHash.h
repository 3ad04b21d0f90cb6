#pragma once
// The content hash that recognises a file imported before: XXH3-128 of its bytes. The hasher
// is fed the bytes as they are read for the copy, so hashing never costs a second read.
//
//     ContentHasher hasher;
//     while (...) hasher.update(buffer, got);   // every block, in order
//     ContentHash hash = hasher.digest();       // may be asked again after more updates
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct XXH3_state_s;

namespace pixbako {

// The 128-bit value in its canonical byte order (most significant byte first), so that its hex
// form reads as other XXH3-128 tools print it.
struct ContentHash {
    std::array<std::uint8_t, 16> bytes{};

    std::string hex() const; // 32 lower-case hex digits

    auto operator<=>(const ContentHash&) const = default;
};

class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(ContentHasher&&) noexcept;
    ContentHasher& operator=(ContentHasher&&) noexcept;
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void update(const void* data, std::size_t size);
    // The hash of all bytes given so far; the hasher stays usable.
    ContentHash digest() const;
    // Starts over, as a new hasher.
    void reset();

private:
    struct FreeState {
        void operator()(XXH3_state_s* state) const;
    };
    std::unique_ptr<XXH3_state_s, FreeState> state_;
};

// A file's content hash and size, read in one pass. `fromDisk`: the file's cached pages are
// dropped first (those already written), so that the bytes come from the disk itself, as a
// check of a copy needs.
struct FileHash {
    ContentHash hash;
    std::uint64_t size = 0;
    int error = 0; // the system's error number when the file couldn't be read; then no hash
};
FileHash hashFile(const std::string& path, bool fromDisk = false);

} // namespace pixbako
