#include "platform/Paths.h"

#include "support/TempFolder.h"

#include <cerrno>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pixbako {
namespace {

TEST(Paths, FullPathNameNormalisesAbsolutePaths) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"", ""},
        {"/", "/"},
        {"//", "/"},
        {"/media//card///DCIM", "/media/card/DCIM"},
        {"/media/card/DCIM/", "/media/card/DCIM/"},
        {"/media/./card/.", "/media/card"},
        {"/media/card/../usb/..", "/media"},
        {"/..", "/"},
        {"/../../etc", "/etc"},
        {"/a/b/../../..", "/"},
        {"/写真/2004年\\05月", "/写真/2004年\\05月"},
        {"/bad\xFF\xFEname/x", "/bad\xFF\xFEname/x"}, // bytes of a non-UTF-8 name survive
        {"/...", "/..."},                             // not a parent reference
    };
    for (const auto& c : cases)
        EXPECT_EQ(fullPathName(c.in), c.out) << c.in;
}

TEST(Paths, FullPathNameStartsRelativePathsAtTheCurrentFolder) {
    TempFolder temp;
    std::string before = fullPathName(".");
    ASSERT_EQ(::chdir(temp.path().c_str()), 0);
    std::string base = fullPathName(".");
    EXPECT_EQ(fullPathName("DCIM"), base + "/DCIM");
    EXPECT_EQ(fullPathName("./DCIM/../MISC/"), base + "/MISC/");
    EXPECT_EQ(fullPathName(".."), base.substr(0, base.rfind('/')));
    ASSERT_EQ(::chdir(before.c_str()), 0);
}

TEST(Paths, DelimitersAndJoins) {
    EXPECT_EQ(withTrailingDelimiter("/save"), "/save/");
    EXPECT_EQ(withTrailingDelimiter("/save/"), "/save/");
    EXPECT_EQ(withTrailingDelimiter("/"), "/");
    EXPECT_EQ(withTrailingDelimiter(""), "");
    EXPECT_EQ(joinPath("/", "bin"), "/bin");
    EXPECT_EQ(joinPath("/save", "a.jpg"), "/save/a.jpg");
    EXPECT_EQ(joinPath("/save/", "/a.jpg"), "/save/a.jpg");
    EXPECT_EQ(joinPath("", "a.jpg"), "a.jpg");
    EXPECT_EQ(folderLevelsToPath("2004年\\05月\\表"), "2004年/05月/表");
    EXPECT_EQ(folderLevelsToPath(""), "");
}

TEST(Paths, ExistenceQuestions) {
    TempFolder temp;
    const std::string dir = temp.path() + "/dir";
    const std::string file = temp.path() + "/file.jpg";
    const std::string dangling = temp.path() + "/dangling";
    ASSERT_TRUE(createFolderWithParents(dir));
    std::ofstream(file) << "x";
    ASSERT_EQ(::symlink("nowhere", dangling.c_str()), 0);
    ASSERT_EQ(::symlink("dir", (temp.path() + "/link").c_str()), 0);

    EXPECT_TRUE(isExistingFolder(dir));
    EXPECT_TRUE(isExistingFolder(temp.path() + "/link"));
    EXPECT_FALSE(isExistingFolder(file));
    EXPECT_FALSE(isExistingFolder(""));
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(fileExists(dir));
    EXPECT_FALSE(fileExists(dangling));
    EXPECT_TRUE(pathExists(dangling));
    EXPECT_TRUE(pathExists(dir));
    EXPECT_FALSE(pathExists(temp.path() + "/none"));
}

TEST(Paths, CreateFolderWithParentsMakesEveryLevel) {
    TempFolder temp;
    EXPECT_TRUE(createFolderWithParents(temp.path() + "/2004年/05月//06日/"));
    EXPECT_TRUE(isExistingFolder(temp.path() + "/2004年/05月/06日"));
    EXPECT_TRUE(createFolderWithParents(temp.path() + "/2004年")); // exists already
    std::ofstream(temp.path() + "/file") << "x";
    EXPECT_FALSE(createFolderWithParents(temp.path() + "/file"));
    EXPECT_FALSE(createFolderWithParents(temp.path() + "/file/sub"));
    EXPECT_FALSE(createFolderWithParents(""));
}

// A folder that couldn't be made was reported by its later symptom ("no such file or
// directory" when something was put into it); the error names the level that failed and why.
TEST(Paths, CreateFolderWithParentsTellsWhichLevelFailedAndWhy) {
    TempFolder temp;
    const std::string file = temp.path() + "/file";
    std::ofstream(file) << "x";
    struct Case {
        std::string path;
        FolderCreateError expected;
    };
    const Case cases[] = {
        {file, {EEXIST, file}},
        {file + "/sub/deeper", {EEXIST, file}},
        {"", {ENOENT, ""}},
    };
    for (const auto& c : cases) {
        FolderCreateError error;
        EXPECT_FALSE(createFolderWithParents(c.path, &error)) << c.path;
        EXPECT_EQ(error.errnum, c.expected.errnum) << c.path;
        EXPECT_EQ(error.folder, c.expected.folder) << c.path;
    }
    EXPECT_EQ(
        folderCreateErrorText({EACCES, "/media/card/2004_05_06"}),
        "フォルダを作成できませんでした\r\n/media/card/2004_05_06\r\nmkdir: Permission denied");
}

TEST(Paths, SplitsAtTheLastDelimiter) {
    struct Case {
        const char* path;
        const char* folder; // splitPath's, with "." for no folder
        const char* name;
        const char* folderPart;
    };
    const Case cases[] = {
        {"/media/card/IMG_0001.JPG", "/media/card", "IMG_0001.JPG", "/media/card/"},
        {"/IMG_0001.JPG", "/", "IMG_0001.JPG", "/"},
        {"/", "/", "", "/"},
        {"IMG_0001.JPG", ".", "IMG_0001.JPG", ""},
        {"", ".", "", ""},
        {"DCIM/", "DCIM", "", "DCIM/"},
        {"/写真/a\\b.jpg", "/写真", "a\\b.jpg", "/写真/"}, // a backslash is an ordinary byte
    };
    for (const Case& c : cases) {
        const PathParts parts = splitPath(c.path, ".");
        EXPECT_EQ(parts.folder, c.folder) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(fileNameOf(c.path), c.name) << c.path;
        EXPECT_EQ(folderPartOf(c.path), c.folderPart) << c.path;
    }
    EXPECT_EQ(splitPath("IMG_0001.JPG", "").folder, "");
}

} // namespace
} // namespace pixbako
