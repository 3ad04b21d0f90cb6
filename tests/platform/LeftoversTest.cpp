// What a crash left behind: recognised by name, removed only when stale, nothing else touched.
#include "platform/Leftovers.h"
#include "platform/FileTransferTestSupport.h"
#include "platform/TemporaryName.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
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

std::string transferName(unsigned char seed) {
    const unsigned char random[6] = {seed, 1, 2, 3, 4, 5};
    return transferTemporaryName(random);
}

std::string counterName(pid_t process, unsigned serial) {
    return writerTemporaryName("PXBK", static_cast<std::uint64_t>(process), serial);
}

Strings namesIn(const std::string& folder) {
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TemporaryNameTest, OwnNamesAreRecognisedAndEveryOneCharacterChangeIsNot) {
    const std::string transfer = transferName(7);
    const std::string counter = counterName(4711, 12);
    ASSERT_TRUE(isTransferTemporaryName(transfer)) << transfer;
    ASSERT_EQ(writerTemporaryProcess(counter, "PXBK"), 4711u) << counter;
    EXPECT_NE(transferName(8), transfer);
    for (std::size_t i = 0; i < transfer.size(); ++i) {
        std::string changed = transfer;
        changed[i] = changed[i] == 'a' ? 'b' : 'a';
        EXPECT_FALSE(isTransferTemporaryName(changed)) << changed;
    }
    for (std::size_t i = 0; i < counter.size(); ++i) {
        std::string changed = counter;
        changed[i] = changed[i] == '1' ? '2' : '1';
        EXPECT_EQ(writerTemporaryProcess(changed, "PXBK"), std::nullopt) << changed;
    }
    // The check belongs to the target: another file's replacement is no counter file's.
    EXPECT_EQ(writerTemporaryProcess(writerTemporaryName("PXBK.ini", 4711, 12), "PXBK"),
              std::nullopt);
    EXPECT_EQ(writerTemporaryProcess(counter + "0", "PXBK"), std::nullopt);
    EXPECT_FALSE(isTransferTemporaryName(transfer + ".jpg"));
}

TEST(LeftoversTest, NamesNeverImported) {
    struct Case {
        std::string name;
        bool leftover;
    };
    const Case cases[] = {
        {transferName(1), true},
        {counterName(1234, 0), true},
        // Those of older versions, and look-alikes: never imported either.
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

// Only names that carry the program's check value are ever deleted: a user's
// ".pixbako-backup.tmp" once went because it matched six letters.
TEST(LeftoversTest, OnlyStaleFilesUnderTheProgramsOwnNamesGo) {
    TempFolder temp;
    const std::string f = temp.path();
    const pid_t dead = endedProcess();
    const std::string deadText = std::to_string(dead);
    std::string wrongCheck = counterName(dead, 3);
    wrongCheck.back() = wrongCheck.back() == '0' ? '1' : '0';
    struct Case {
        std::string name;
        bool removed;
    };
    const Case cases[] = {
        {transferName(1), true},             // a crashed copy
        {counterName(dead, 3), true},        // a crashed counter-file write
        {counterName(::getpid(), 0), false}, // a writer that still runs
        {".pixbako-backup.tmp", false},
        {".pixbako-backup-12345678.tmp", false},
        {".pixbako-Ab3xZ9.tmp", false},         // an older version's copy: no check
        {".PXBK.tmp" + deadText + "-3", false}, // an older version's counter: no check
        {wrongCheck, false},
        {".PXBK.tmp" + deadText + "-3-", false},
        {writerTemporaryName("PXBK.ini", static_cast<std::uint64_t>(dead), 3), false},
        {writerTemporaryName("IMG_0001.JPG", static_cast<std::uint64_t>(dead), 3), false},
        {writerTemporaryName("pxbk", static_cast<std::uint64_t>(dead), 3), false},
        {counterName(dead, 3) + ".bak", false},
        {transferName(2) + ".jpg", false},
        {".pixbako-anything.tmp", false},
        {"PXBK", false},
        {"IMG_0001.JPG", false},
        {".hidden", false},
    };
    Strings expectedRemoved, expectedKept;
    for (const Case& c : cases) {
        std::ofstream(f + "/" + c.name) << "x";
        (c.removed ? expectedRemoved : expectedKept).push_back(c.name);
    }
    // A folder is never ours, whatever its name.
    const std::string folderName = transferName(3);
    std::filesystem::create_directory(f + "/" + folderName);
    expectedKept.push_back(folderName);

    Strings removed = removeStaleLeftovers(f);
    std::sort(removed.begin(), removed.end());
    std::sort(expectedRemoved.begin(), expectedRemoved.end());
    std::sort(expectedKept.begin(), expectedKept.end());
    EXPECT_EQ(removed, expectedRemoved);
    EXPECT_EQ(namesIn(f), expectedKept);
}

TEST(LeftoversTest, CopyStillHeldOpenByAWriterStays) {
    TempFolder temp;
    const std::string name = transferName(9);
    const std::string path = temp.path() + "/" + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(removeStaleLeftovers(temp.path()).empty());
    EXPECT_TRUE(std::filesystem::exists(path));
    ::close(fd);
    EXPECT_EQ(removeStaleLeftovers(temp.path()), Strings{name});
}

TEST(LeftoversTest, SymbolicLinkWithOurNameIsNotFollowedNorRemoved) {
    TempFolder temp;
    const std::string target = temp.path() + "/keep.jpg";
    std::ofstream(target) << "x";
    std::filesystem::create_symlink(target, temp.path() + "/" + transferName(4));
    EXPECT_TRUE(removeStaleLeftovers(temp.path()).empty());
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_TRUE(removeStaleLeftovers(temp.path() + "/gone").empty());
}

// Another user's run is invisible to this user but for the answer EPERM to a signal, and its
// open files not at all: its temporaries stay. Run as root, the clean-up happens in a child
// that has become "nobody"; otherwise process 1 is another user's live process.
TEST(LeftoversTest, AnotherUsersTemporariesStay) {
    constexpr uid_t kNobody = 65534;
    TempFolder temp;
    const std::string f = temp.path();
    const bool root = ::geteuid() == 0;
    const pid_t otherUsersProcess = root ? ::getpid() : 1;
    if (!root && (::kill(1, 0) == 0 || errno != EPERM))
        GTEST_SKIP() << "process 1 answers signals of this user";
    const std::string live = counterName(otherUsersProcess, 0);
    const std::string dead = counterName(endedProcess(), 1);
    const std::string othersCopy = transferName(5);
    const std::string ownCopy = transferName(6);
    for (const std::string& name : {live, dead, ownCopy})
        std::ofstream(f + "/" + name) << "x";
    if (root) {
        // The cleaner's files and folder belong to "nobody"; beside them lies a copy of
        // root's, of which "nobody" can't see whether a process of root's holds it open.
        ASSERT_EQ(::chown(f.c_str(), kNobody, kNobody), 0);
        for (const std::string& name : {live, dead, ownCopy})
            ASSERT_EQ(::chown((f + "/" + name).c_str(), kNobody, kNobody), 0);
        std::ofstream(f + "/" + othersCopy) << "x";
    }
    const std::string report = transfer_test::inChild([&]() -> std::string {
        if (!transfer_test::becomeUnprivileged())
            return "SKIP: can't become nobody";
        if (::access(f.c_str(), W_OK | X_OK) != 0)
            return "SKIP: the temporary folder's path is closed to nobody";
        Strings removed = removeStaleLeftovers(f);
        std::sort(removed.begin(), removed.end());
        std::string text;
        for (const std::string& name : removed)
            text += name + "|";
        return text;
    });
    if (report.rfind("SKIP:", 0) == 0)
        GTEST_SKIP() << report;
    Strings expected = {dead, ownCopy};
    std::sort(expected.begin(), expected.end());
    std::string expectedText;
    for (const std::string& name : expected)
        expectedText += name + "|";
    EXPECT_EQ(report, expectedText);
    EXPECT_TRUE(std::filesystem::exists(f + "/" + live));
    if (root) {
        EXPECT_TRUE(std::filesystem::exists(f + "/" + othersCopy));
    }
}

} // namespace
} // namespace pixbako::test
