#include "platform/UniqueDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace pixbako;

// The descriptor passes to the stream only when the stream exists: a plain file can't be read
// as a folder, and its descriptor must stay with (and be closed by) its UniqueFd.
TEST(UniqueDirTest, AdoptTakesTheDescriptorOnlyFromAFolder) {
    char fileName[] = "/tmp/uniquedir-XXXXXX";
    UniqueFd file(::mkstemp(fileName));
    ASSERT_TRUE(file);
    ::unlink(fileName);
    EXPECT_FALSE(UniqueDir::adopt(file));
    EXPECT_TRUE(file);
    EXPECT_EQ(file.close(), 0);

    UniqueFd folder(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(folder);
    const int fd = folder.get();
    UniqueDir dir = UniqueDir::adopt(folder);
    ASSERT_TRUE(dir);
    EXPECT_FALSE(folder);
    EXPECT_EQ(::dirfd(dir.get()), fd);
    int entries = 0;
    while (dir.next())
        ++entries;
    EXPECT_GE(entries, 2); // "." and ".." at least
}
