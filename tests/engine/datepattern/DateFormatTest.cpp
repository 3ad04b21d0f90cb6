// The date-pattern language with the Japanese locale texts pinned explicitly.
#include "engine/datepattern/DateFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace pixbako {
namespace {

TDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return *encodeDateTime(y, mo, d, h, mi, s, ms);
}

// As the program formats: the short date form is the pattern itself.
std::string formatJa(std::string_view pattern, TDateTime value,
                     std::string_view longTimeForm = "H:mm:ss") {
    DateTextSettings s = japaneseDateTextSettings();
    s.shortDateForm = std::string(pattern);
    s.longTimeForm = std::string(longTimeForm);
    return formatDateText(pattern, value, s);
}

struct Case {
    const char* pattern;
    TDateTime value;
    const char* expected;
};

// Thursday 6 May 2004, 13:47:09.007 (a function: dates need the date scale initialised): month (05)
// and minute (47) differ, so a month written in place of the minutes shows.
TDateTime thursday() {
    return at(2004, 5, 6, 13, 47, 9, 7);
}

TEST(formatDateText, TokensLiteralsAndPlainCharacters) {
    const Case cases[] = {
        {"yy", thursday(), "04"},
        {"y", thursday(), "04"},
        {"yyy", thursday(), "2004"},
        {"yyyy", thursday(), "2004"},
        {"Yyyy", thursday(), "042004"}, // a run is one character in one case
        {"yyyy", at(987, 1, 2), "0987"},
        {"m mm mmm mmmm", at(2004, 12, 6), "12 12 12月 12月"},
        {"m/d", thursday(), "5/6"},
        {"d dd ddd dddd", at(2004, 5, 8), "8 08 土 土曜日"},
        {"aaa AAAA", thursday(), "木 木曜日"},
        {"h hh n nn s ss", at(2004, 5, 6, 7, 8, 9), "7 07 8 08 9 09"},
        {"z zz zzz zzzz", thursday(), "7 07 007 007"},
        {"dddddd", thursday(), "2004年5月6日"},
        {"t", thursday(), "13:47"},
        {"tt", thursday(), "13:47:09"},
        {R"(yyyy"年"mm"月"dd"日"aaaa)", thursday(), "2004年05月06日木曜日"},
        {"yyyy年mm月dd日aaaa", thursday(), "20040506木曜日"}, // unquoted kanji vanish
        {"yyyy'年'", thursday(), "2004年"},
        {R"("it's" 'say "hi"')", thursday(), R"(it's say "hi")"},
        {R"(yyyy"年mm)", thursday(), "2004年mm"}, // an unclosed literal runs to the end
        {R"(\xbq-_ 9)", thursday(), R"(\xbq-_ 9)"},
        {"ｱdd", thursday(), "ｱ06"}, // half-width katakana is single-byte: written
        {"yy\xff\x80mm", thursday(),
         "04\xff\x80"
         "05"}, // stray bytes are single-byte characters
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

TEST(formatDateText, MinutesAfterHourMonthOtherwise) {
    const Case cases[] = {
        {"hh:mm", thursday(), "13:47"},
        {"mm", thursday(), "05"},
        {"mm-dd", thursday(), "05-06"},
        {"hh mm", thursday(), "13 47"},
        {"hh0mm", thursday(), "13047"},
        {R"(hh"時"mm)", thursday(), "13時47"}, // a literal keeps the link
        {"hh時mm", thursday(), "1305"},        // a double-byte character breaks it
        {"hhxmm", thursday(), "13x05"},        // so does another letter
        {"hhamm", thursday(), "13a05"},        // ... also a literal "a"
        {"hhｱmm", thursday(), "13ｱ47"},        // half-width katakana does not
        {"hhMM", thursday(), "1347"},          // letters compare without case
        {"hh:mM", thursday(), "13:475"},       // "M" follows a minutes run: month
        {"hh:nn", thursday(), "13:47"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

TEST(formatDateText, NestedFormsStopAtTheSecondLevel) {
    const Case cases[] = {
        {"DDDDD", thursday(), ""},
        {"yyyy ddddd", thursday(), "2004 2004 "},
        {"", thursday(), " 13:47:09"},
        {"", at(2004, 5, 6), ""},
        {"c", thursday(), " 13:47:09"},
        {"c", at(2004, 5, 6, 0, 0, 0, 500), ""}, // milliseconds alone are midnight
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern [" << c.pattern << "]";
    // The sample refresh empties the long time form: an empty pattern shows one blank.
    EXPECT_EQ(formatJa("", thursday(), ""), " ");
}

TEST(formatDateText, TwelveHourClockAndAmPmTexts) {
    const TDateTime pm = at(2004, 5, 6, 13, 5);
    const TDateTime midnight = at(2004, 5, 6, 0, 30);
    const TDateTime noon = at(2004, 5, 6, 12, 0);
    const Case cases[] = {
        {"h am/pm", pm, "1 pm"},
        {"h am/pm", midnight, "12 am"},
        {"h am/pm", noon, "12 pm"},
        {"h AM/PM", pm, "1 PM"},
        {"h Am/pM", midnight, "12 Am"}, // written as the pattern writes it
        {"h a/p", pm, "1 p"},
        {"h A/P", midnight, "12 A"},
        {"hh ampm", at(2004, 5, 6, 9, 0), "09 午前"},
        {"h AMPM", pm, "1 午後"},
        {"ampm h", pm, "午後 1"},         // a marker already written
        {"h h ampm", pm, "13 1 午後"},    // the look-ahead stops at the next h
        {"h aaa ampm", pm, "13 木 午後"}, // ... and at the first a
        {"h 'am/pm'", pm, "13 am/pm"},    // a quoted marker is text
        {"hh:mm am/pm", pm, "01:05 pm"},
        {"aaaaampm", pm, "木曜日午後"},
        {"aaaaa", pm, "木曜日a"},
        {"a Ab", pm, "a Ab"},
        {"ampm mm", pm, "午後 05"}, // the marker's letter is remembered: month
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

TEST(formatDateText, JapaneseEraTokens) {
    const Case cases[] = {
        {R"(ggee"年"mm"月"dd"日")", thursday(), "平成16年05月06日"},
        {"g gg e ee eee", thursday(), "平 平成 16 16 16"},
        {"ggee", at(1868, 1, 1), "明治01"},
        {"ggee", at(1912, 7, 29), "明治45"},
        {"ggee", at(1912, 7, 30), "大正01"},
        {"ggee", at(1926, 12, 24), "大正15"},
        {"ggee", at(1926, 12, 25), "昭和01"},
        {"ggee", at(1989, 1, 7), "昭和64"},
        {"gge", at(1989, 1, 8), "平成1"},
        {"ggee", at(2019, 4, 30), "平成31"},
        {"ggee", at(2019, 5, 1), "令和01"},
        {"[ggee]", at(1867, 12, 31), "[]"}, // before the first era: nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

// Regression: "eee" wrote a one-digit era year bare ("5"); the full form of an era year keeps
// two digits at least, and all of them beyond.
TEST(formatDateText, FullEraYearLostItsLeadingZero) {
    const Case cases[] = {
        {"e ee eee", at(2023, 5, 6), "5 05 05"},
        {"e ee eee eeee", at(2019, 5, 1), "1 01 01 01"}, // first day of an era
        {"e ee eee", at(1989, 1, 7), "64 64 64"},
        {"e ee eee", at(2118, 5, 1), "0 00 100"}, // year 100 of an era: "e" drops one zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

// Regression: the look-ahead of an hour token skipped quoted literals whole, so an "h" inside
// one didn't end it and a marker behind that "h" turned the hour to the 12-hour clock. Only
// the "a" must stand outside quotes; the next "h" ends the look-ahead wherever it stands.
TEST(formatDateText, QuotedHourLetterDidNotEndTheTwelveHourLookAhead) {
    const TDateTime pm = at(2004, 5, 6, 13, 5);
    const Case cases[] = {
        {"h \"h\" ampm", pm, "13 h 午後"}, // the quoted h ends the look-ahead
        {"h 'xH' am/pm", pm, "13 xH pm"},
        {"h \"x\" ampm", pm, "1 x 午後"},       // a literal without "h" is passed over
        {"h \"'\" a/p", pm, "1 ' p"},           // the other quote kind doesn't close it
        {"h \"ampm\" ampm", pm, "1 ampm 午後"}, // a quoted marker is passed over
        {"h \"x ampm", pm, "13 x ampm"},        // an unclosed literal runs to the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatJa(c.pattern, c.value), c.expected) << "pattern " << c.pattern;
}

TEST(formatDateText, LocaleFieldsChangeWhatTokensWrite) {
    DateTextSettings s = japaneseDateTextSettings();
    s.dateSeparator = ".";
    s.timeSeparator = "";
    EXPECT_EQ(formatDateText("m/d hh:nn", thursday(), s), "5.6 1347");

    s.japaneseEraCalendar = false;
    EXPECT_EQ(formatDateText("[ggee]", thursday(), s), "[]");

    s.japaneseEraCalendar = true;
    s.japaneseLanguage = false; // a single g keeps the whole name
    EXPECT_EQ(formatDateText("g", thursday(), s), "平成");
}

TEST(formatDateText, ResultStopsAt256ShiftJisBytesBetweenCharacters) {
    std::string years;
    for (int i = 0; i < 60; ++i)
        years += "yyyy-";
    std::string expected;
    for (int i = 0; i < 51; ++i)
        expected += "2004-";
    expected += "2"; // ASCII may stop inside a token's digits
    EXPECT_EQ(formatJa(years, thursday()), expected);

    // A double-byte character that would cross the limit is dropped whole, with all after it.
    std::string crossing = "\"" + std::string(255, 'x') + "年z\"";
    EXPECT_EQ(formatJa(crossing, thursday()), std::string(255, 'x'));

    std::string kanji = "\"";
    std::string kanjiExpected;
    for (int i = 0; i < 129; ++i)
        kanji += "年";
    for (int i = 0; i < 128; ++i)
        kanjiExpected += "年";
    EXPECT_EQ(formatJa(kanji, thursday()), kanjiExpected);

    // Half-width katakana: one Shift-JIS byte but three UTF-8 bytes each.
    std::string kana;
    for (int i = 0; i < 300; ++i)
        kana += "ｱ";
    EXPECT_EQ(formatJa(kana, thursday()), kana.substr(0, 256 * 3));
}

TEST(formatDateText, PatternFormUsesThePatternAsShortDateForm) {
    const DateTextSettings japanese = japaneseDateTextSettings();
    EXPECT_EQ(formatDatePattern("yyyy ddddd", thursday(), japanese), "2004 2004 ");
    EXPECT_EQ(formatDatePattern("DDDDD", thursday(), japanese), "");
}

} // namespace
} // namespace pixbako
