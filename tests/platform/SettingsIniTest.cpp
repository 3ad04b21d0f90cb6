#include "platform/SettingsIni.h"

#include "platform/Encoding.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <filesystem>
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
    EXPECT_EQ(ini.text(),
              "[INI0]\r\nread=new\r\nplain\r\nWRITE=/save\r\nRUNPARASTR=\"a  b \"\r\n\r\n"
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
        ini.writeString("INI0", "FATO", "№");
        ASSERT_TRUE(ini.save().ok);
    }
    EXPECT_EQ(readFileBytes(path), "[INI0]\r\nFATO=\x87\x82\r\n\r\n"); // № in CP932
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

// The default name patterns end and begin with a blank; losing them on the next start changed
// the name form and restarted the numbering.
TEST(SettingsIni, BlanksAtTheEndsOfAValueSurviveSaveAndLoad) {
    struct Case {
        std::string value;
        std::string line; // as written
    };
    const Case cases[] = {
        {" №", "FATO=\" №\""},
        {"yyyy-mm-dd ", "FATO=\"yyyy-mm-dd \""},
        {"  both  ", "FATO=\"  both  \""},
        {" ", "FATO=\" \""},
        {"tab\tat end\t", "FATO=\"tab at end \""}, // control characters become blanks
        // Values without blanks at their ends are written exactly as they always were.
        {"yyyy-mm-dd\"(\"aaa\")\"", "FATO=yyyy-mm-dd\"(\"aaa\")\""},
        {"\"/media/card\"", "FATO=\"/media/card\""},
        {"\"", "FATO=\""},
        {"", "FATO="},
        // A quoted text whose inside has blanks at its ends needs one more pair.
        {"\" x \"", "FATO=\"\" x \"\""},
        {"\"\" x\"\"", "FATO=\"\"\" x\"\"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        SettingsIni ini;
        ini.writeString("INI0", "FATO", c.value);
        const std::string text = ini.text();
        EXPECT_EQ(text, "[INI0]\r\n" + c.line + "\r\n\r\n");
        SettingsIni again;
        again.parse(text);
        std::string expected = c.value;
        for (char& ch : expected)
            if (ch == '\t')
                ch = ' ';
        EXPECT_EQ(again.value("INI0", "FATO"), expected);
        // Writing what was read changes nothing.
        again.writeString("INI0", "FATO", *again.value("INI0", "FATO"));
        EXPECT_EQ(again.text(), text);
    }
}

TEST(SettingsIni, HandWrittenLinesReadAsBefore) {
    SettingsIni ini;
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

TEST(SettingsIni, LinkedFileStaysALinkAndItsTargetIsWritten) {
    TempFolder temp;
    std::filesystem::create_directories(temp.path() + "/real");
    const std::string target = temp.path() + "/real/settings.INI";
    writeBytes(target, "[INI0]\r\nREAD=/a\r\n");
    const std::string link = temp.path() + "/pixbako.INI";
    ASSERT_EQ(::symlink("real/settings.INI", link.c_str()), 0);
    SettingsIni ini(link);
    ASSERT_EQ(ini.loadStatus(), SettingsIni::LoadStatus::Loaded);
    ini.writeString("INI0", "READ", "/b");
    ASSERT_TRUE(ini.save().ok);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFileBytes(target), "[INI0]\r\nREAD=/b\r\n\r\n");
}

TEST(SettingsIni, GarbageIsNotTakenForSettings) {
    using P = SettingsTextProblem;
    struct Case {
        const char* what;
        std::string bytes;
        SettingsTextProblem problem;
    };
    const std::string longest = "READ=" + std::string(SettingsIni::kMaxLineBytes - 5, 'a');
    const Case cases[] = {
        {"empty file", "", P::None},
        {"comments only", "; nothing yet\r\n", P::None},
        {"section without line end", "[INI0]", P::None},
        {"CP932 text", "[INI0]\r\nFATO=\x87\x82\r\n", P::None},
        {"end-of-file mark", "[INI0]\r\nREAD=x\r\n\x1A", P::None},
        {"a line of the greatest length", "[INI0]\r\n" + longest + "\r\n", P::None},
        {"NUL byte", std::string("[INI0]\r\nREAD=\0x\r\n", 15), P::ControlBytes},
        {"binary bytes", "[INI0]\r\n\x01\x02\x03\x7F\x1B", P::ControlBytes},
        {"UTF-16", std::string("\xFF\xFE[\0I\0N\0I\0", 10), P::Utf16},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0[\0I\0N", 8), P::Utf16},
        {"UTF-16 without its mark", std::string("[\0I\0N\0I\0", 8), P::Utf16},
        {"text without any section", "hello\nworld\n", P::NoSection},
        {"one huge line", "[INI0]\r\n" + longest + "a", P::LineTooLong},
        {"no line ends", std::string(SettingsIni::kMaxLineBytes + 1, 'x'), P::LineTooLong},
        // One broken value must not cost the other sections at the next save.
        {"bytes that form no character", "[INI0]\r\nREAD=\x81\x20\xA0\x80\r\n", P::None},
        {"over a mebibyte",
         "[INI0]\r\n" + std::string(SettingsIni::kMaxFileBytes / 10, '\n') +
             std::string(SettingsIni::kMaxFileBytes, ' '),
         P::TooLarge},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settingsTextProblem(c.bytes), c.problem) << c.what;
        EXPECT_EQ(isSettingsText(c.bytes), c.problem == P::None) << c.what;
    }
    // A file of the greatest line is read, not only judged.
    TempFolder temp;
    writeBytes(temp.path() + "/long.INI", "[INI0]\r\n" + longest + "\r\n");
    SettingsIni ini(temp.path() + "/long.INI");
    EXPECT_EQ(ini.loadStatus(), SettingsIni::LoadStatus::Loaded);
    EXPECT_EQ(ini.value("INI0", "READ")->size(), SettingsIni::kMaxLineBytes - 5);
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
