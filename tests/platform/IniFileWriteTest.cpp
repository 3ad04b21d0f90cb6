// The written form of INI text in both dialects.
#include "platform/IniFile.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(IniFileWrite, ProfileWritingKeepsEveryOtherLineAndAppendsInTheRightPlace) {
    IniFile ini(IniDialect::Profile);
    ini.parse("; made by hand\r\n"
              "[AUTONUM]\r\n"
              "LASTNUM=3\r\n"
              "FNUM=1\r\n"
              "\r\n"
              "; next section\r\n"
              "[Other]\r\n"
              "x=1\r\n");
    ini.writeString("autonum", "lastnum", "4");
    ini.writeString("AUTONUM", "FDATE", "\"yyyy\"");
    ini.writeString("New", "K", "line\r\nbreak");
    EXPECT_EQ(ini.text(), "; made by hand\r\n"
                          "[AUTONUM]\r\n"
                          "lastnum=4\r\n"
                          "FNUM=1\r\n"
                          "FDATE=\"yyyy\"\r\n"
                          "\r\n"
                          "; next section\r\n"
                          "[Other]\r\n"
                          "x=1\r\n"
                          "[New]\r\n"
                          "K=line  break\r\n");
}

TEST(IniFileWrite, SettingsWritesEachSectionWithOneEmptyLineAndCrlf) {
    IniFile ini(IniDialect::Settings);
    ini.parse("junk\n[A]\n  x = 1 \n\n; gone\nplain\n[B]\n[A]\ny=2\n");
    EXPECT_EQ(ini.text(), "[A]\r\nx=1\r\nplain\r\n\r\n[B]\r\n\r\n[A]\r\ny=2\r\n\r\n");
}

TEST(IniFileWrite, SettingsReplacesInPlaceAndAppendsNewKeysAtTheEndOfTheirSection) {
    IniFile ini(IniDialect::Settings);
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

// The default name patterns end and begin with a blank; losing them on the next start changed
// the name form and restarted the numbering.
TEST(IniFileWrite, SettingsBlanksAtTheEndsOfAValueSurviveSaveAndLoad) {
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
        IniFile ini(IniDialect::Settings);
        ini.writeString("INI0", "FATO", c.value);
        const std::string text = ini.text();
        EXPECT_EQ(text, "[INI0]\r\n" + c.line + "\r\n\r\n");
        IniFile again(IniDialect::Settings);
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

} // namespace
} // namespace pixbako
