#include "engine/run/CounterFile.h"

#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace pixbako {
namespace {

std::string readBytes(const std::string& path) {
    return readFileBytes(path);
}

TEST(CounterFile, MissingFileGivesTheDefaults) {
    TempFolder folder;
    CounterReadResult read = readCounterFile(counterFilePath(folder.path()));
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.record.lastNumber, 0);
    EXPECT_EQ(read.record.styleIndex, 0);
    EXPECT_EQ(read.record.datePattern, "yyyy-mm-dd");
    EXPECT_EQ(read.record.prefix, "");
    EXPECT_EQ(read.record.middle, "");
}

TEST(CounterFile, WritesQuotedTextsInCp932AndReadsThemBackWithTheirBlanks) {
    TempFolder folder;
    std::string path = counterFilePath(folder.path() + "/");
    EXPECT_EQ(path, folder.path() + "/PXBK");
    CounterRecord record{12, 3, "yyyy_mm_dd ", " 写", ""};
    ASSERT_TRUE(writeCounterFile(path, record).ok);
    EXPECT_EQ(readBytes(path), "[AUTONUM]\r\nLASTNUM=12\r\nFNUM=3\r\n"
                               "FDATE=\"yyyy_mm_dd \"\r\nFMAE=\" \x8E\xCA\"\r\nFATO=\"\"\r\n");
    CounterReadResult read = readCounterFile(path);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.record.lastNumber, 12);
    EXPECT_TRUE(read.record.sameNaming(record));
}

TEST(CounterFile, ReadsAHandMadeFileAndKeepsItsOtherContentOnWrite) {
    TempFolder folder;
    std::string path = folder.path() + "/PXBK";
    std::ofstream(path, std::ios::binary) << "[autonum]\r\n"
                                             "lastnum = 41 \r\n"
                                             "fdate= yyyy \r\n"   // unquoted: trimmed
                                             "FMAE=\"\"a\"\"\r\n" // one pair removed
                                             "[Note]\r\n"
                                             "who=me\r\n";
    CounterReadResult read = readCounterFile(path);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.record.lastNumber, 41);
    EXPECT_EQ(read.record.datePattern, "yyyy");
    EXPECT_EQ(read.record.prefix, "\"a\"");
    EXPECT_EQ(read.record.middle, "");

    ASSERT_TRUE(writeCounterFile(path, {42, 0, "yyyy", "p", "m"}).ok);
    EXPECT_EQ(readBytes(path), "[autonum]\r\n"
                               "LASTNUM=42\r\n"
                               "FDATE=\"yyyy\"\r\n"
                               "FMAE=\"p\"\r\n"
                               "FNUM=0\r\n" // keys that were missing come after the others
                               "FATO=\"m\"\r\n"
                               "[Note]\r\n"
                               "who=me\r\n");
}

TEST(CounterFile, NumberingContinuesOnlyWithTheSameNaming) {
    const CounterRecord base{5, 2, "yyyy", "P", "_"};
    struct Case {
        CounterRecord other;
        bool same;
    };
    const Case cases[] = {
        {{99, 2, "yyyy", "P", "_"}, true}, // the number itself doesn't matter
        {{5, 3, "yyyy", "P", "_"}, false},  {{5, 2, "YYYY", "P", "_"}, false},
        {{5, 2, "yyyy", "P ", "_"}, false}, {{5, 2, "yyyy", "P", "-"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(base.sameNaming(c.other), c.same);
}

TEST(CounterFile, FailuresCarryAMessageForTheUser) {
    TempFolder folder;
    AtomicWriteResult write = writeCounterFile(folder.path() + "/missing/PXBK", {});
    EXPECT_FALSE(write.ok);
    EXPECT_EQ(write.message.rfind("連番ファイルを書き込めませんでした\r\n", 0), 0u);

    std::string blocked = folder.path() + "/PXBK";
    std::filesystem::create_directory(blocked);
    CounterReadResult read = readCounterFile(blocked);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.message.rfind("連番ファイルを読み込めませんでした\r\n", 0), 0u);
    EXPECT_FALSE(writeCounterFile(blocked, {}).ok);
}

} // namespace
} // namespace pixbako
