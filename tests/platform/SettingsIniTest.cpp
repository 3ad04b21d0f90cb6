#include "platform/SettingsIni.h"

#include "platform/Encoding.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace pixbako {
namespace {

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(SettingsIni, TrimsSkipsCommentsAndKeepsQuotes) {
    SettingsIni ini;
    ini.parse("READ=before any section\r\n"
              " \t[ INI0 ]\x01\r\n"
              "; READ=commented out\r\n"
              "\r\n"
              "  READ = \"/media/card\" \t\r\n"
              "fdate=yyyy-mm-dd \n"
              "EQ=a=b\r"
              "EMPTY=\r\n"
              "bare line\r\n"
              "  =no name\r\n"
              "[Form]\r\n"
              "Top=5\r\n"
              "[ini0]\r\n"
              "LATE=second copy of the section\r\n");
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"INI0", "READ", "\"/media/card\""}, // no quote removal
        {"ini0", "FDATE", "yyyy-mm-dd"},     // trailing blank trimmed, names ignore case
        {"INI0", "EQ", "a=b"},
        {"INI0", "EMPTY", ""},
        {"INI0", "bare line", std::nullopt},
        {"INI0", "; READ", std::nullopt},
        {"INI0", "", "no name"},
        {"FORM", "top", "5"},
        {"INI0", "LATE", std::nullopt}, // only the first section of a name counts
        {"INI9", "READ", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.value(c.section, c.key), c.expected) << c.section << " " << c.key;
}

TEST(SettingsIni, WritesEachSectionWithOneEmptyLineAndCrlf) {
    SettingsIni ini;
    ini.parse("junk\n[A]\n  x = 1 \n\n; gone\nplain\n[B]\n[A]\ny=2\n");
    EXPECT_EQ(ini.text(), "[A]\r\nx=1\r\nplain\r\n\r\n[B]\r\n\r\n[A]\r\ny=2\r\n\r\n");
}

TEST(SettingsIni, ReplacesInPlaceAndAppendsNewKeysAtTheEndOfTheirSection) {
    SettingsIni ini;
    ini.parse("[INI0]\r\nREAD=old\r\nplain\r\n[Form]\r\nTop=1\r\n");
    ini.writeString("ini0", "read", "new");              // in place, under the name as written now
    ini.writeString("INI0", "WRITE", "/save");           // after the plain line, before [Form]
    ini.writeInteger("FORM", "Left", -7);                // the existing section, whatever its case
    ini.writeBool("INI1", "OVERW", true);                // a new section at the end of the file
    ini.writeString("INI0", "RUNPARASTR", "a\r\nb\x01"); // control characters can't break lines
    EXPECT_EQ(ini.text(), "[INI0]\r\nread=new\r\nplain\r\nWRITE=/save\r\nRUNPARASTR=a  b \r\n\r\n"
                          "[Form]\r\nTop=1\r\nLeft=-7\r\n\r\n"
                          "[INI1]\r\nOVERW=1\r\n\r\n");
}

TEST(SettingsIni, InvalidIntegersGiveTheDefault) {
    struct Case {
        const char* stored;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"-3", -3},
        {"+8", 8},
        {"0x1F", 31},
        {"0X10", 16},
        {"0xFFFFFFFF", -1},
        {"0x", -99},
        {"0x1G", -99},
        {"0x100000000", -99},
        {"007", 7},
        {"1.5", -99},
        {"12abc", -99},
        {"", -99},
        {"2147483647", 2147483647},
        {"2147483648", -99},
        {"-2147483648", INT32_MIN},
        {"+-1", -99},
        {"--1", -99},
        {"1 2", -99},
        {"$10", -99},
        {"-0x10", -99},
    };
    for (const auto& c : cases) {
        SettingsIni ini;
        ini.parse(std::string("[S]\nN=") + c.stored + "\n");
        EXPECT_EQ(ini.readInteger("S", "N", -99), c.expected) << c.stored;
    }
    SettingsIni ini;
    ini.parse("[S]\nT=2\nF=0\nX=yes\n");
    EXPECT_TRUE(ini.readBool("S", "T", false));
    EXPECT_FALSE(ini.readBool("S", "F", true));
    EXPECT_TRUE(ini.readBool("S", "X", true));
    EXPECT_FALSE(ini.readBool("S", "MISSING", false));
}

TEST(SettingsIni, SavesCp932AndFallsBackToUtf8WithBom) {
    TempFolder temp;
    std::string path = temp.path() + "/pixbako.INI";
    {
        SettingsIni ini(path);
        EXPECT_EQ(ini.loadStatus(), SettingsIni::LoadStatus::Missing);
        ini.writeString("INI0", "FATO", " №");
        ASSERT_TRUE(ini.save().ok);
    }
    EXPECT_EQ(readFileBytes(path), "[INI0]\r\nFATO= \x87\x82\r\n\r\n"); // № in CP932
    EXPECT_EQ(SettingsIni(path).value("INI0", "FATO"), "№"); // the blank is trimmed on reading
    {
        SettingsIni ini(path);
        ini.writeString("INI0", "READ", "/media/\xF0\x9F\x93\xB7"); // not in CP932
        ASSERT_TRUE(ini.save().ok);
    }
    EXPECT_EQ(readFileBytes(path).substr(0, 3), "\xEF\xBB\xBF");
    SettingsIni again(path);
    EXPECT_EQ(again.loadStatus(), SettingsIni::LoadStatus::Loaded);
    EXPECT_EQ(again.value("INI0", "READ"), "/media/\xF0\x9F\x93\xB7");
    EXPECT_EQ(again.value("INI0", "FATO"), "№");
}

TEST(SettingsIni, GarbageIsNotTakenForSettings) {
    struct Case {
        const char* what;
        std::string bytes;
        bool settings;
    };
    const Case cases[] = {
        {"empty file", "", true},
        {"comments only", "; nothing yet\r\n", true},
        {"section without line end", "[INI0]", true},
        {"CP932 text", "[INI0]\r\nFATO=\x87\x82\r\n", true},
        {"end-of-file mark", "[INI0]\r\nREAD=x\r\n\x1A", true},
        {"NUL byte", std::string("[INI0]\r\nREAD=\0x\r\n", 15), false},
        {"binary bytes", "[INI0]\r\n\x01\x02\x03\x7F\x1B", false},
        {"UTF-16", std::string("\xFF\xFE[\0I\0N\0I\0", 10), false},
        {"text without any section", "hello\nworld\n", false},
        {"one huge line", "[INI0]\r\nREAD=" + std::string(SettingsIni::kMaxLineBytes, 'a'), false},
        {"no line ends", std::string(SettingsIni::kMaxLineBytes + 1, 'x'), false},
        // One broken value must not cost the other sections at the next save.
        {"bytes that form no character", "[INI0]\r\nREAD=\x81\x20\xA0\x80\r\n", true},
        {"over a mebibyte",
         "[INI0]\r\n" + std::string(SettingsIni::kMaxFileBytes / 10, '\n') +
             std::string(SettingsIni::kMaxFileBytes, ' '),
         false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isSettingsText(c.bytes), c.settings) << c.what;
}

TEST(SettingsIni, UnreadableAndGarbageFilesReadAsEmptyWithTheirStatus) {
    TempFolder temp;
    std::string garbage = temp.path() + "/garbage.INI";
    writeBytes(garbage, std::string("[INI0]\0READ=x", 13));
    SettingsIni fromGarbage(garbage);
    EXPECT_EQ(fromGarbage.loadStatus(), SettingsIni::LoadStatus::NotSettings);
    EXPECT_EQ(fromGarbage.text(), "");

    SettingsIni folder(temp.path());
    EXPECT_EQ(folder.loadStatus(), SettingsIni::LoadStatus::Failed);
    EXPECT_NE(folder.loadError(), 0);

    std::string fifo = temp.path() + "/fifo.INI";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(SettingsIni(fifo).loadStatus(), SettingsIni::LoadStatus::Failed); // never blocks
}

} // namespace
} // namespace pixbako
