// Folder locks: one folder under several names is one lock, a run that meets a busy folder
// holds none of its others, and no program started meanwhile keeps a lock alive.
#include "platform/FolderLock.h"

#include "support/RunningProgram.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako {
namespace {

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

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

// The folders are taken in the order of their inodes: whether the busy one comes first, in
// the middle or last, those locked before it are let go and none of the set stays open.
TEST(FolderLock, BusyFolderReleasesTheOthersWhereverItSorts) {
    TempFolder tmp;
    std::vector<std::string> folders;
    for (const char* name : {"p", "q", "r"}) {
        folders.push_back(tmp.path() + "/" + name);
        std::filesystem::create_directories(folders.back());
    }
    auto inode = [](const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_ino;
    };
    std::vector<std::string> sorted = folders;
    std::sort(sorted.begin(), sorted.end(),
              [&](const std::string& x, const std::string& y) { return inode(x) < inode(y); });
    std::vector<std::string> asked(folders.rbegin(), folders.rend());

    for (std::size_t held = 0; held < sorted.size(); ++held) {
        SCOPED_TRACE("busy folder sorts at " + std::to_string(held));
        const std::size_t before = openDescriptors();
        FolderLocks holder = lockFolders({sorted[held]});
        ASSERT_FALSE(holder.busy);

        FolderLocks attempt = lockFolders(asked);
        EXPECT_EQ(attempt.busy, sorted[held]);
        EXPECT_EQ(openDescriptors(), before + 1) << "only the holder's folder is open";
        for (std::size_t other = 0; other < sorted.size(); ++other)
            if (other != held) {
                EXPECT_FALSE(lockFolders({sorted[other]}).busy) << sorted[other];
            }
    }
}

// A program started while a lock is held (a viewer opened from the window, a program run
// after the import) must not hold the folder once the lock is released.
TEST(FolderLock, ProgramStartedWhileHeldDoesNotInheritTheLock) {
    TempFolder tmp;
    const std::string folder = tmp.path() + "/a";
    std::filesystem::create_directories(folder);
    FolderLocks locks = lockFolders({folder});
    ASSERT_FALSE(locks.busy);
    test::RunningProgram program;
    ASSERT_TRUE(program.started());
    locks.release();
    EXPECT_FALSE(lockFolders({folder}).busy);
}

} // namespace
} // namespace pixbako
