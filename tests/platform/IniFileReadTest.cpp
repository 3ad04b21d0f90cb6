// Reading values and integers from INI text in both dialects.
#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace pixbako {
namespace {

TEST(IniFileRead, ProfileReadsValuesAsTheProfileFunctionsDo) {
    IniFile ini(IniDialect::Profile);
    ini.parse("top=ignored\n"
              "; comment=not a key\n"
              "[AutoNum]\r\n"
              "  lastnum = 12  \r\n"
              "FDATE=\"yyyy mm \"\r\n"
              "FMAE=' a '\r\n"
              "FATO=\"\"x\"\"\r\n"
              "ODD=\"open\r\n"
              "EQ=a=b\r\n"
              "EMPTY=\r\n"
              "bare line\r\n"
              "[Other]\r\n"
              "LASTNUM=99\r\n"
              "[AUTONUM]\r\n"
              "LATE=only in the second copy\r\n");
    struct Case {
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"LASTNUM", "12"},      {"fdate", "yyyy mm "},
        {"FMAE", " a "},        {"FATO", "\"x\""},
        {"ODD", "\"open"},      {"EQ", "a=b"},
        {"EMPTY", ""},          {"bare line", std::nullopt},
        {"top", std::nullopt},  {"; comment", std::nullopt},
        {"LATE", std::nullopt}, // only the first section of a name is read
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.value("AUTONUM", c.key), c.expected) << c.key;
    EXPECT_EQ(ini.readString("AUTONUM", "missing", "yyyy-mm-dd"), "yyyy-mm-dd");
    EXPECT_EQ(ini.readString("NoSuchSection", "LASTNUM", "d"), "d");
}

TEST(IniFileRead, ProfileReadsIntegersOrFallsBackToTheDefault) {
    struct Case {
        const char* text;
        std::int64_t expected;
    };
    const Case cases[] = {
        {"0", 0},     {"42", 42},   {"-7", -7},
        {"+5", 5},    {"0x1F", 31}, {"0X10", 16},
        {"0x", -1},   {"12a", -1},  {"", -1},
        {"1 2", -1},  {"--1", -1},  {"99999999999999999999", -1},
        {"\"8\"", 8}, {"- 1", -1},  {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases) {
        IniFile ini(IniDialect::Profile);
        ini.parse(std::string("[S]\nK=") + c.text + "\n");
        EXPECT_EQ(ini.readInteger("S", "K", -1), c.expected) << c.text;
    }
}

TEST(IniFileRead, SettingsTrimsSkipsCommentsAndKeepsQuotes) {
    IniFile ini(IniDialect::Settings);
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

TEST(IniFileRead, SettingsHandWrittenLinesReadAsBefore) {
    IniFile ini(IniDialect::Settings);
    ini.parse("[INI0]\r\n"
              "  READ  =  /media/card  \r\n"
              "WRITE=\"/home/me/写真\"\r\n"
              "FATO = \" №\" \r\n"
              "FMAE=\"a\" b\"\r\n");
    EXPECT_EQ(ini.value("INI0", "READ"), "/media/card");
    EXPECT_EQ(ini.value("INI0", "WRITE"), "\"/home/me/写真\""); // quotes kept, as always
    EXPECT_EQ(ini.value("INI0", "FATO"), " №");
    EXPECT_EQ(ini.value("INI0", "FMAE"), "\"a\" b\"");
    EXPECT_EQ(ini.storedValue("INI0", "FATO"), "\" №\"");
}

TEST(IniFileRead, SettingsInvalidIntegersGiveTheDefault) {
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
        IniFile ini(IniDialect::Settings);
        ini.parse(std::string("[S]\nN=") + c.stored + "\n");
        EXPECT_EQ(ini.readInteger("S", "N", -99), c.expected) << c.stored;
    }
    IniFile ini(IniDialect::Settings);
    ini.parse("[S]\nT=2\nF=0\nX=yes\n");
    EXPECT_TRUE(ini.readBool("S", "T", false));
    EXPECT_FALSE(ini.readBool("S", "F", true));
    EXPECT_TRUE(ini.readBool("S", "X", true));
    EXPECT_FALSE(ini.readBool("S", "MISSING", false));
}

// A line that opens with "[" but is no whole "[name]" is a heading to the profile functions
// and an ordinary line to the settings reader; mixing the two up moves keys between sections.
TEST(IniFileRead, HeadingsAreWhatEachDialectTakesForThem) {
    const char* text = "[S]\r\nA=1\r\n[odd=2\r\nB=3\r\n[T] tail\r\nC=4\r\n";
    struct Case {
        IniDialect dialect;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {IniDialect::Profile, "S", "A", "1"},     {IniDialect::Profile, "S", "B", std::nullopt},
        {IniDialect::Profile, "odd=2", "B", "3"}, {IniDialect::Profile, "T", "C", "4"},
        {IniDialect::Settings, "S", "[odd", "2"}, {IniDialect::Settings, "S", "B", "3"},
        {IniDialect::Settings, "S", "C", "4"},    {IniDialect::Settings, "T", "C", std::nullopt},
    };
    for (const auto& c : cases) {
        IniFile ini(c.dialect);
        ini.parse(text);
        EXPECT_EQ(ini.value(c.section, c.key), c.expected)
            << (c.dialect == IniDialect::Profile ? "profile " : "settings ") << c.section << " "
            << c.key;
    }
}

} // namespace
} // namespace pixbako
