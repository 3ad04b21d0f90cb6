// The streaming hash equals xxHash's one-shot XXH3-128 of the same bytes, however the bytes are
// cut into blocks (the library switches paths at 16, 128, 240 bytes and at its internal
// stripe and buffer sizes, so lengths around those are where a feeding fault would show).
#include "engine/ledger/ContentHash.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>
#include <xxhash.h>

namespace pixbako {
namespace {

ContentHash oneShot(const std::vector<unsigned char>& bytes) {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits(bytes.data(), bytes.size()));
    ContentHash hash;
    std::memcpy(hash.bytes.data(), canonical.digest, hash.bytes.size());
    return hash;
}

TEST(ContentHash, StreamingMatchesOneShotForEveryLengthAndBlockSize) {
    std::mt19937 random(17);
    for (std::size_t length : {0u, 1u, 3u, 16u, 17u, 128u, 129u, 240u, 241u, 1023u, 1024u, 1025u,
                               4096u, 70000u, 1u << 20}) {
        std::vector<unsigned char> bytes(length);
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(random());
        const ContentHash expected = oneShot(bytes);
        for (std::size_t block : {1u, 7u, 64u, 256u, 65536u}) {
            if (block == 1 && length > 4096)
                continue;
            ContentHasher hasher;
            for (std::size_t at = 0; at < length; at += block)
                hasher.update(bytes.data() + at, std::min(block, length - at));
            EXPECT_EQ(hasher.digest(), expected) << "length " << length << ", block " << block;
        }
    }
}

TEST(ContentHash, DigestMidwayAndResetDoNotDisturbTheStream) {
    const std::vector<unsigned char> bytes(5000, 0xa5);
    ContentHasher hasher;
    hasher.update(bytes.data(), 2000);
    const std::vector<unsigned char> head(bytes.begin(), bytes.begin() + 2000);
    EXPECT_EQ(hasher.digest(), oneShot(head));
    hasher.update(bytes.data() + 2000, 3000);
    EXPECT_EQ(hasher.digest(), oneShot(bytes));

    ContentHasher moved = std::move(hasher);
    moved.reset();
    moved.update(head.data(), head.size());
    EXPECT_EQ(moved.digest(), oneShot(head));
}

TEST(ContentHash, HexIsTheCanonicalForm) {
    // XXH3-128 of no bytes, as xxHash's own tool prints it.
    EXPECT_EQ(ContentHasher().digest().hex(), "99aa06d3014798d86001c324468d497f");
}

} // namespace
} // namespace pixbako
