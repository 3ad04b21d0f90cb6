#include "engine/ledger/ContentHash.h"

#include <new>
#include <xxhash.h>

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

std::optional<ContentHash> ContentHash::fromHex(std::string_view hex) {
    ContentHash hash;
    if (hex.size() != hash.bytes.size() * 2)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < hash.bytes.size(); ++i) {
        int high = nibble(hex[2 * i]);
        int low = nibble(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        hash.bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return hash;
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

} // namespace pixbako
