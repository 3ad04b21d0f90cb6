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
