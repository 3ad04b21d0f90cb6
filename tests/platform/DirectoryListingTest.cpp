#include "platform/DirectoryListing.h"
#include "platform/FatAttributes.h"

#include "support/TempFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

TEST(Wildcard, FollowsWindowsRules) {
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    };
    const Case cases[] = {
        {"IMG_0001.JPG", "*.jpg", true},
        {"img_0001.jpg", "*.JPG", true},
        {"photo.jpeg", "*.JPG", false},
        {"a.jpg.bak", "*.JPG", false},
        {"README", "*.*", true},
        {".hidden", "*.*", true},
        {"a.b.c", "*.*", true},
        {"IMG1", "IMG*.*", true},
        {"DSC1", "IMG*.*", false},
        {"README", "*.", true},
        {"a.txt", "*.", false},
        {"写真.JPG", "??.jpg", true}, // "?" takes a whole UTF-8 character
        {"写真.JPG", "?.jpg", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abcbd", "a*bd", true}, // needs backtracking past the first "b"
        {"aXbXc", "a*b*c", true},
        {"abc", "*", true},
        {"abc", "", false},
        {"\xC3\x84", "\xC3\xA4", false}, // only ASCII letters fold
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesWildcard(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

std::vector<std::string> namesOf(const std::vector<DirectoryEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

const DirectoryEntry& entryNamed(const std::vector<DirectoryEntry>& entries,
                                 const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const DirectoryEntry& e) { return e.name == name; });
    if (it == entries.end())
        throw std::runtime_error("no entry " + name);
    return *it;
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"b.jpg", "A.JPG", "a.jpg", "_x", ".hid", "ro.txt"})
            std::ofstream(at(name)) << "data";
        ASSERT_EQ(::mkdir(at("C").c_str(), 0755), 0);
        ASSERT_EQ(::chmod(at("ro.txt").c_str(), 0444), 0);
        ASSERT_EQ(::symlink("C", at("link").c_str()), 0);
        ASSERT_EQ(::symlink("nowhere", at("dangling").c_str()), 0);
        ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0644), 0);
        ASSERT_EQ(::truncate(at("A.JPG").c_str(), kBig), 0); // sparse: takes no disk space
        const timespec times[2] = {{1'000'000'000, 0}, {1'086'525'296, 500'000'000}};
        ASSERT_EQ(::utimensat(AT_FDCWD, at("b.jpg").c_str(), times, 0), 0);
    }
    std::string at(const std::string& name) const { return temp.path() + "/" + name; }

    static constexpr std::int64_t kBig = 5LL * 1024 * 1024 * 1024 + 3;
    TempFolder temp;
};

TEST_F(Listing, SortsByUpperCaseNameAndLeavesOutSpecialFiles) {
    auto entries = listDirectory(temp.path(), "*.*");
    ASSERT_TRUE(entries);
    // "_" (0x5F) sorts after the upper-case letters; "A.JPG" before "a.jpg" by their bytes.
    const std::vector<std::string> expected = {".", "..",       ".hid", "A.JPG",  "a.jpg", "b.jpg",
                                               "C", "dangling", "link", "ro.txt", "_x"};
    EXPECT_EQ(namesOf(*entries), expected);
}

TEST_F(Listing, PatternFiltersFoldersAndDotEntriesToo) {
    auto entries = listDirectory(temp.path(), "*.JPG");
    ASSERT_TRUE(entries);
    EXPECT_EQ(namesOf(*entries), (std::vector<std::string>{"A.JPG", "a.jpg", "b.jpg"}));
}

TEST_F(Listing, ReportsTheFindData) {
    auto entries = listDirectory(temp.path(), "*");
    ASSERT_TRUE(entries);
    const auto& big = entryNamed(*entries, "A.JPG");
    EXPECT_EQ(big.size, kBig);
    EXPECT_TRUE(big.isArchive);
    EXPECT_FALSE(big.isDirectory || big.isHidden || big.isReadOnly || big.isSystem);

    const auto& b = entryNamed(*entries, "b.jpg");
    EXPECT_EQ(b.lastWriteTime.seconds, 1'086'525'296);
    EXPECT_EQ(b.lastWriteTime.nanoseconds, 500'000'000);
    EXPECT_EQ(b.lastAccessTime.seconds, 1'000'000'000);

    EXPECT_TRUE(entryNamed(*entries, "ro.txt").isReadOnly);
    EXPECT_TRUE(entryNamed(*entries, ".hid").isHidden);
    EXPECT_FALSE(entryNamed(*entries, ".").isHidden);
    EXPECT_FALSE(entryNamed(*entries, "..").isHidden);
    EXPECT_TRUE(entryNamed(*entries, "..").isDirectory);

    const auto& folder = entryNamed(*entries, "C");
    const auto& link = entryNamed(*entries, "link");
    EXPECT_TRUE(folder.isDirectory);
    EXPECT_FALSE(folder.isArchive);
    EXPECT_EQ(folder.size, 0);
    EXPECT_TRUE(link.isDirectory);
    EXPECT_EQ(link.identity, folder.identity);
    EXPECT_EQ(folder.identity, fileIdentity(at("C")));
    EXPECT_EQ(entryNamed(*entries, ".").identity, fileIdentity(temp.path()));

    const auto& dangling = entryNamed(*entries, "dangling");
    EXPECT_FALSE(dangling.isDirectory);
}

TEST(ListingFailures, MissingOrNonFolderGivesNothing) {
    TempFolder temp;
    std::ofstream(temp.path() + "/file") << "x";
    EXPECT_FALSE(listDirectory(temp.path() + "/none", "*.*"));
    EXPECT_FALSE(listDirectory(temp.path() + "/file", "*.*"));
    auto empty = listDirectory(temp.path(), "*.MOV");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(ListingRoot, HasNoDotEntries) {
    auto entries = listDirectory("/", "*");
    ASSERT_TRUE(entries);
    auto names = namesOf(*entries);
    EXPECT_EQ(std::count(names.begin(), names.end(), "."), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "usr"), 1);
}

TEST(FatAttributes, HarmlessOutsideFat) {
    TempFolder temp;
    const std::string file = temp.path() + "/PXBK";
    std::ofstream(file) << "[AUTONUM]\r\n";
    EXPECT_TRUE(setHiddenAttribute(file));
    EXPECT_FALSE(hasHiddenAttribute(file));
    EXPECT_FALSE(setHiddenAttribute(temp.path() + "/none"));
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "[AUTONUM]\r");
}

} // namespace
} // namespace pixbako
