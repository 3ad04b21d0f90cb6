// The streaming hash equals xxHash's one-shot XXH3-128 of the same bytes, however the bytes are
// cut into blocks (the library switches paths at 16, 128, 240 bytes and at its internal
// stripe and buffer sizes, so lengths around those are where a feeding fault would show).
#include "engine/ledger/ContentHash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <stdlib.h>
#include <unistd.h>
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

// A file read from the disk hashes as its bytes do, across the reader's block boundary; what
// can't be read as a plain file gives its error and no size.
TEST(ContentHash, FileHashEqualsTheHashOfItsBytes) {
    char folderTemplate[] = "/tmp/pixbako-hash-XXXXXX";
    ASSERT_NE(::mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    std::mt19937 random(5);
    for (std::size_t length : {0u, 5u, (1u << 20) + 7u}) {
        std::vector<unsigned char> bytes(length);
        for (auto& byte : bytes)
            byte = static_cast<unsigned char>(random());
        const std::string path = folder + "/f" + std::to_string(length);
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        const FileHash read = hashFile(path);
        EXPECT_EQ(read.error, 0);
        EXPECT_EQ(read.size, length);
        EXPECT_EQ(read.hash, oneShot(bytes));
        std::remove(path.c_str());
    }
    EXPECT_EQ(hashFile(folder + "/missing").error, ENOENT);
    EXPECT_EQ(hashFile(folder).error, EINVAL); // a folder is no file to hash
    ::rmdir(folder.c_str());
}

} // namespace
} // namespace pixbako
