// Folder locks: one folder under several names is one lock, and a run that meets a busy
// folder holds none of its others.
#include "platform/FolderLock.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(FolderLock, OneFolderUnderSeveralNamesDoesNotBlockItselfAndABusySetHoldsNothing) {
    TempFolder tmp;
    const std::string a = tmp.path() + "/a";
    const std::string b = tmp.path() + "/b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    std::filesystem::create_directory_symlink(a, tmp.path() + "/link");

    FolderLocks first = lockFolders({a, a + "/", tmp.path() + "/link", tmp.path() + "/missing"});
    EXPECT_FALSE(first.busy);

    FolderLocks second = lockFolders({b, tmp.path() + "/link"});
    EXPECT_EQ(second.busy, tmp.path() + "/link");
    EXPECT_FALSE(lockFolders({b}).busy) << "the free folder of a busy set is not kept";

    first.release();
    EXPECT_FALSE(lockFolders({a}).busy);
}

} // namespace
} // namespace pixbako
