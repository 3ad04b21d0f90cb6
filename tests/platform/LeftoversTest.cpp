// What a crash left behind: recognised by name, removed only when stale, nothing else touched.
#include "platform/Leftovers.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

using Strings = std::vector<std::string>;

// The process id of a child that has ended: no process runs under it (until it is reused).
pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

Strings namesIn(const std::string& folder) {
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LeftoversTest, NamesNeverImported) {
    struct Case {
        const char* name;
        bool leftover;
    };
    const Case cases[] = {
        {".pixbako-Ab3xZ9.tmp", true},
        {".pixbako-anything.tmp", true},
        {".PXBK.tmp1234-0", true},
        {".PXBK.tmp", true},
        {"pixbako-Ab3xZ9.tmp", false}, // not hidden: someone else's file
        {".pixbako-.tmp", false},
        {".pixbako-Ab3xZ9.TMP", false},
        {"PXBK", false},
        {".PXBK", false},
        {"IMG_0001.JPG", false},
        {".IMG_0001.JPG.tmp1-2", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isTransferLeftoverName(c.name), c.leftover) << c.name;
}

TEST(LeftoversTest, StaleLeftoversGoAndEverythingElseStays) {
    TempFolder temp;
    const std::string f = temp.path();
    const std::string dead = std::to_string(endedProcess());
    const std::string live = std::to_string(::getpid());
    const Strings files = {".pixbako-Ab3xZ9.tmp",     // a crashed copy
                           ".PXBK.tmp" + dead + "-3", // a crashed counter-file write
                           ".PXBK.tmp" + live + "-0", // a writer that still runs
                           ".pixbako-anything.tmp",   // not exactly our naming
                           ".pixbako-Ab3xZ9.tmp.jpg", "PXBK", "IMG_0001.JPG", ".hidden"};
    for (const std::string& name : files)
        std::ofstream(f + "/" + name) << "x";
    std::filesystem::create_directory(f + "/.pixbako-Folder.tmp"); // a folder is never ours

    Strings removed = removeStaleLeftovers(f);
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (Strings{".PXBK.tmp" + dead + "-3", ".pixbako-Ab3xZ9.tmp"}));
    Strings expected = {".PXBK.tmp" + live + "-0",
                        ".hidden",
                        ".pixbako-Ab3xZ9.tmp.jpg",
                        ".pixbako-Folder.tmp",
                        ".pixbako-anything.tmp",
                        "IMG_0001.JPG",
                        "PXBK"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(f), expected);
}

TEST(LeftoversTest, CopyStillHeldOpenByAWriterStays) {
    TempFolder temp;
    const std::string path = temp.path() + "/.pixbako-Live01.tmp";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(removeStaleLeftovers(temp.path()).empty());
    EXPECT_TRUE(std::filesystem::exists(path));
    ::close(fd);
    EXPECT_EQ(removeStaleLeftovers(temp.path()), Strings{".pixbako-Live01.tmp"});
}

TEST(LeftoversTest, SymbolicLinkWithOurNameIsNotFollowedNorRemoved) {
    TempFolder temp;
    const std::string target = temp.path() + "/keep.jpg";
    std::ofstream(target) << "x";
    std::filesystem::create_symlink(target, temp.path() + "/.pixbako-Link01.tmp");
    EXPECT_TRUE(removeStaleLeftovers(temp.path()).empty());
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_TRUE(removeStaleLeftovers(temp.path() + "/gone").empty());
}

} // namespace
} // namespace pixbako::test
