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

// Each half-width katakana in a prefix, next to one that makes their CP932 bytes valid UTF-8
// where any can (ﾃ + ｱ = C3 B1 = "ñ"): the texts must read back as written, or the next run
// starts its numbering afresh and replaces the files of the last one.
TEST(CounterFile, EveryHalfWidthKatakanaInTheTextsReadsBackFromTheFile) {
    TempFolder folder;
    int row = 0;
    for (char32_t cp = 0xFF61; cp <= 0xFF9F; ++cp) {
        const std::string kana{static_cast<char>(0xEF),
                               static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                               static_cast<char>(0x80 | (cp & 0x3F))};
        const unsigned byte = 0xA1 + (cp - 0xFF61); // its CP932 byte
        std::string prefix = byte >= 0xC2 ? kana + "ｱ" : byte <= 0xBF ? "ﾃ" + kana : kana;
        const CounterRecord record{5, 1, "yyyy", prefix, "_"}; // the rest of the file is ASCII
        const std::string path = folder.path() + "/PXBK" + std::to_string(row++);
        ASSERT_TRUE(writeCounterFile(path, record).ok);
        CounterReadResult read = readCounterFile(path);
        ASSERT_TRUE(read.ok);
        EXPECT_TRUE(read.exists);
        EXPECT_EQ(read.record.prefix, prefix) << "U+" << std::hex << static_cast<unsigned>(cp);
        EXPECT_TRUE(read.record.sameNaming(record));
    }
    EXPECT_EQ(readBytes(folder.path() + "/PXBK0"),
              "[AUTONUM]\r\nLASTNUM=5\r\nFNUM=1\r\nFDATE=\"yyyy\"\r\nFMAE=\"\xC3\xA1\"\r\n"
              "FATO=\"_\"\r\n"); // ﾃ｡, one byte each
}

// Counter files as Windows PCs write them: CP932 without a BOM, whether or not their bytes
// happen to be valid UTF-8 as well.
TEST(CounterFile, ReadsCounterFilesAsTheyComeFromWindowsPcs) {
    struct Case {
        const char* what;
        std::string bytes;
        CounterRecord expected;
    };
    const Case cases[] = {
        {"katakana that look like UTF-8",
         "[AUTONUM]\r\nLASTNUM=8\r\nFNUM=1\r\nFDATE=\"yyyy\"\r\nFMAE=\"\xC3\xBD\"\r\n"
         "FATO=\"\xDB\xB0\"\r\n",
         {8, 1, "yyyy", "ﾃｽ", "ﾛｰ"}},
        {"kanji, a 5C second byte, unquoted katakana",
         "[AUTONUM]\r\nLASTNUM=120\r\nFNUM=3\r\nFDATE=\"yyyy\x94\x4Emm\x8C\x8E\"\r\n"
         "FMAE=\"\x83\x5C \"\r\nFATO=\xB6\xDE\r\n",
         {120, 3, "yyyy年mm月", "ソ ", "ｶﾞ"}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.path() + "/PXBK";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        CounterReadResult read = readCounterFile(path);
        ASSERT_TRUE(read.ok);
        EXPECT_EQ(read.record.lastNumber, c.expected.lastNumber);
        EXPECT_EQ(read.record.datePattern, c.expected.datePattern);
        EXPECT_EQ(read.record.prefix, c.expected.prefix);
        EXPECT_EQ(read.record.middle, c.expected.middle);
        EXPECT_TRUE(read.record.sameNaming(c.expected));
    }
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
