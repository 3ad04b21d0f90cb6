#include "platform/AtomicFile.h"

#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako {
namespace {

// Modes that the umask cuts: without the explicit chmod a shared 0666 counter file would lose
// the write bits of its group and of others.
TEST(AtomicFile, KeepsPermissionsOfTheReplacedFile) {
    TempFolder folder;
    struct UmaskGuard {
        mode_t old = ::umask(027);
        ~UmaskGuard() { ::umask(old); }
    } umaskGuard;
    for (mode_t mode : {0666, 0660, 0640}) {
        std::string path = folder.path() + "/f" + std::to_string(mode);
        writeFileBytes(path, "old");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        EXPECT_TRUE(writeFileAtomically(path, "new").ok);
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readFileBytes(path), "new");
    }
}

TEST(AtomicFile, FailureLeavesTheTargetAndNoTemporaryFile) {
    TempFolder folder;
    // A folder in the way: the rename fails after the temporary file was written.
    std::string blocked = folder.path() + "/PXBK";
    std::filesystem::create_directory(blocked);
    writeFileBytes(blocked + "/inside", "keep");
    AtomicWriteResult result = writeFileAtomically(blocked, "new");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error, 0);
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(readFileBytes(blocked + "/inside"), "keep");
    EXPECT_EQ(entriesIn(folder.path()), 1u);

    // A missing folder: nothing can be created at all.
    EXPECT_FALSE(writeFileAtomically(folder.path() + "/missing/PXBK", "x").ok);
}

} // namespace
} // namespace pixbako
