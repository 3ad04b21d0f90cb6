// The log file: its name from the clock, its exact bytes, and a failure that leaves nothing.
#include "engine/post/LogFile.h"
#include "engine/datepattern/DateFormat.h"
#include "platform/Encoding.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako::test {
namespace {

std::vector<PlannedFile> threeRows(bool dateFolders) {
    std::vector<PlannedFile> list;
    const char* names[] = {"IMG_0001.JPG", "IMG_0002.JPG", "MVI_0003.AVI"};
    const LocalDateTime shots[] = {
        {2005, 3, 12, 10, 0, 0, 250}, {2005, 3, 12, 10, 0, 1, 0}, {2005, 3, 13, 9, 0, 0, 999}};
    for (int i = 0; i < 3; ++i) {
        PlannedFile row;
        row.name = names[i];
        if (dateFolders)
            row.newFolderLevels = {i < 2 ? "2005_03_12" : "2005_03_13"};
        row.shotDate = shots[i];
        row.newName = "写真_00" + std::to_string(i + 1) + (i < 2 ? ".JPG" : ".AVI");
        row.extension = i < 2 ? ".JPG" : ".AVI";
        row.sourceFolder = "/media/card/DCIM/";
        list.push_back(row);
    }
    return list;
}

TEST(LogFileTest, NameCarriesDateTimeAndMillisecondsWithoutSeparators) {
    struct Case {
        int y, mo, d, h, mi, s, ms;
        const char* name;
    };
    const Case cases[] = {
        {2026, 12, 8, 6, 30, 5, 123, "2026-12-08 063005123.LOG"},
        {2005, 1, 2, 23, 59, 59, 7, "2005-01-02 235959007.LOG"},
        {2024, 2, 29, 0, 0, 0, 0, "2024-02-29 000000000.LOG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(logFileName(*encodeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms)), c.name);
}

TEST(LogFileTest, ThreeFileRunWritesEightCrlfLinesInCp932WithNothingAfterTheLastRow) {
    TempFolder temp;
    const TDateTime now = *encodeDateTime(2026, 12, 8, 6, 30, 5, 123);
    const LogFileResult result = writeLogFile(temp.path(), "/media/card", threeRows(false), now);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.path, temp.path() + "/2026-12-08 063005123.LOG");
    const std::string bytes = readFileBytes(result.path);
    const std::string expected = "Pixbakoファイル操作ログファイル\r\n"
                                 "\r\n"
                                 "読込フォルダ名\t/media/card\r\n"
                                 "\r\n"
                                 "元のファイル名\t新フォルダ名\t新ファイル名\tタイムスタンプ\r\n"
                                 "IMG_0001.JPG\t\t写真_001.JPG\t20050312100000\r\n"
                                 "IMG_0002.JPG\t\t写真_002.JPG\t20050312100001\r\n"
                                 "MVI_0003.AVI\t\t写真_003.AVI\t20050313090000";
    EXPECT_EQ(bytes, *utf8ToCp932(expected)); // CP932, not UTF-8
    EXPECT_EQ(cp932ToUtf8(bytes), expected);
}

TEST(LogFileTest, DateFolderColumnStandsBetweenOldAndNewName) {
    const std::string text = logFileText("in", threeRows(true));
    EXPECT_NE(text.find("MVI_0003.AVI\t2005_03_13\t写真_003.AVI\t20050313090000"),
              std::string::npos);
    EXPECT_FALSE(text.ends_with("\r\n"));
}

TEST(LogFileTest, EmptyRunEndsWithTheHeadingLine) {
    EXPECT_TRUE(logFileText("in", {}).ends_with("タイムスタンプ\r\n"));
}

TEST(LogFileTest, NameWithoutCp932FormIsWrittenAsUtf8WithBom) {
    TempFolder temp;
    std::vector<PlannedFile> list = threeRows(false);
    list[1].name = "café_😀.jpg";
    const LogFileResult result = writeLogFile(temp.path() + "/", "in", list, 1.0);
    ASSERT_TRUE(result.ok);
    const std::string bytes = readFileBytes(result.path);
    EXPECT_TRUE(bytes.starts_with("\xEF\xBB\xBF"));
    EXPECT_NE(bytes.find("café_😀.jpg"), std::string::npos);
}

TEST(LogFileTest, UnwritableFolderReportsPathAndReasonAndLeavesNoFile) {
    TempFolder temp;
    const std::string folder = temp.path() + "/locked";
    std::filesystem::create_directory(folder);
    ::chmod(folder.c_str(), 0500);
    if (::access(folder.c_str(), W_OK) == 0)
        GTEST_SKIP() << "running with permission to write anywhere";
    const LogFileResult result = writeLogFile(folder, "in", threeRows(false), 1.0);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.path.starts_with(folder + "/"));
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(LogFileTest, MissingSaveFolderIsAFailureNotACrash) {
    TempFolder temp;
    const LogFileResult result = writeLogFile(temp.path() + "/gone", "in", threeRows(false), 1.0);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.reason.empty());
}

} // namespace
} // namespace pixbako::test
