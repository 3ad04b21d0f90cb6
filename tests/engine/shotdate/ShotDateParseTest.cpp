// Reading date texts into date-times.
#include "engine/shotdate/ShotDate.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

// A function, not a constant: the date scale's own constants may not be set up yet while
// globals of other files are initialised.
TDateTime fixedNow() {
    return *encodeDateTime(2026, 7, 15, 9, 0, 0);
}

struct Expected {
    int year, month, day, hour, minute, second, millisecond;
};

// A date-time on day 0 of the scale (a time alone).
Expected timeOnly(int hour, int minute, int second, int millisecond = 0) {
    return {1899, 12, 30, hour, minute, second, millisecond};
}

void expectReads(std::string_view text, std::optional<Expected> expected,
                 const DateParseTexts& texts = {}, TDateTime now = fixedNow()) {
    auto value = parseDateText(text, now, texts);
    if (!expected) {
        EXPECT_FALSE(value) << "'" << text << "' read as "
                            << toMilliseconds(value.value_or(LocalDateTime{}));
        return;
    }
    ASSERT_TRUE(value) << "'" << text << "' not read";
    const Expected& e = *expected;
    auto want = encodeDateTime(e.year, e.month, e.day, e.hour, e.minute, e.second, e.millisecond);
    ASSERT_TRUE(want);
    EXPECT_EQ(toMilliseconds(*value), toMilliseconds(*want)) << "'" << text << "'";
}

TEST(DateTextParse, ExifFormsAndTheirVariants) {
    struct Case {
        const char* text;
        std::optional<Expected> expected;
    };
    const Case cases[] = {
        {"2004:05:06 12:34:56", Expected{2004, 5, 6, 12, 34, 56, 0}},
        {"2004:05:06", Expected{2004, 5, 6, 0, 0, 0, 0}},
        {"2004:05:06 ", Expected{2004, 5, 6, 0, 0, 0, 0}},
        {"  2004 : 5 :6   12 :34: 56  ", Expected{2004, 5, 6, 12, 34, 56, 0}},
        {"2004:05:06:12:34:56", Expected{2004, 5, 6, 12, 34, 56, 0}},
        {"2004:05:06 12", Expected{2004, 5, 6, 12, 0, 0, 0}},
        {"2004:05:06 12:34", Expected{2004, 5, 6, 12, 34, 0, 0}},
        {"2004:05:06 12:34:56.789", Expected{2004, 5, 6, 12, 34, 56, 789}},
        {"2004:05:06 12:34:56.5", Expected{2004, 5, 6, 12, 34, 56, 5}},
        {"2004:05:06 12:34:56 and more", Expected{2004, 5, 6, 12, 34, 56, 0}},
        {"2004:05:06 12:34:56:78", Expected{2004, 5, 6, 12, 34, 56, 0}},
        {"1850:06:15 06:30:00", Expected{1850, 6, 15, 6, 30, 0, 0}},
        {"00002004:05:06 00:00:01", Expected{2004, 5, 6, 0, 0, 1, 0}},
        {"0004:05:06", Expected{4, 5, 6, 0, 0, 0, 0}},
        // Two numbers: month and day of the current year.
        {"05:06 12:34", Expected{2026, 5, 6, 12, 34, 0, 0}},
        // Short years: the window of 1976..2075 for the year 2026.
        {"04:05:06 01:02:03", Expected{2004, 5, 6, 1, 2, 3, 0}},
        {"4:05:06", Expected{2004, 5, 6, 0, 0, 0, 0}},
        {"75:01:01", Expected{2075, 1, 1, 0, 0, 0, 0}},
        {"76:01:01", Expected{1976, 1, 1, 0, 0, 0, 0}},
        {"99:12:31", Expected{1999, 12, 31, 0, 0, 0, 0}},
        {"00:01:01", Expected{2000, 1, 1, 0, 0, 0, 0}},
        {"099:01:01", Expected{99, 1, 1, 0, 0, 0, 0}},
        // AM and PM texts before or after the time.
        {"2004:05:06 午後 1:02:03", Expected{2004, 5, 6, 13, 2, 3, 0}},
        {"2004:05:06 1:02:03 午後", Expected{2004, 5, 6, 13, 2, 3, 0}},
        {"2004:05:06 1:02:03午前", Expected{2004, 5, 6, 1, 2, 3, 0}},
        {"2004:05:06 午前12:00", Expected{2004, 5, 6, 0, 0, 0, 0}},
        {"2004:05:06 午後12:00", Expected{2004, 5, 6, 12, 0, 0, 0}},
        // A time alone, on day 0.
        {"12:34:56", timeOnly(12, 34, 56)},
        {"12:34", timeOnly(12, 34, 0)},
        {"7", timeOnly(7, 0, 0)},
        {" 午後 3:04 ", timeOnly(15, 4, 0)},
        // Failures.
        {"2004:02:30 00:00:00", std::nullopt},
        {"0000:00:00 00:00:00", std::nullopt},
        {"    :  :     :  :  ", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"2004:13:01 00:00:00", std::nullopt},
        {"2004:05:06 24:00:00", std::nullopt},
        {"2004:05:06 12:60:00", std::nullopt},
        {"2004:05:06 12:", std::nullopt},
        {"2004:05:06 12:34:", std::nullopt},
        {"2004:05:06 12:34:56.", std::nullopt},
        {"2004:05:06 12:34:56.1000", std::nullopt},
        {"2004:05:06 xx", std::nullopt},
        {"2004:05:06 13:00 午後", std::nullopt},
        {"2004:05:06 0:30 午前", std::nullopt},
        {"20040:05:06", std::nullopt},
        {"2004/05/06 12:34:56", std::nullopt},
        {"2004:05:06\t12:34:56", std::nullopt},
        {"12:34:56 extra", std::nullopt},
        {"2004-05-06T12:34:56", std::nullopt},
    };
    for (const auto& c : cases)
        expectReads(c.text, c.expected);
}

TEST(DateTextParse, UsesTheTextsItIsGiven) {
    DateParseTexts english;
    english.amText = "AM";
    english.pmText = "PM";
    expectReads("2004:05:06 1:02 pm", Expected{2004, 5, 6, 13, 2, 0, 0}, english);
    expectReads("2004:05:06 Am 12:02", Expected{2004, 5, 6, 0, 2, 0, 0}, english);
    expectReads("2004:05:06 1:02 午後", Expected{2004, 5, 6, 1, 2, 0, 0}, english);

    DateParseTexts dots;
    dots.timeSeparator = '.';
    dots.decimalSeparator = ',';
    expectReads("2004:05:06 12.34.56,7", Expected{2004, 5, 6, 12, 34, 56, 7}, dots);
    expectReads("2004:05:06 12:34:56", Expected{2004, 5, 6, 12, 0, 0, 0}, dots);

    DateParseTexts none;
    none.amText.clear();
    none.pmText.clear();
    expectReads("2004:05:06 1:02 午後", Expected{2004, 5, 6, 1, 2, 0, 0}, none);
}

TEST(DateTextParse, WindowFollowsTheYearOfNow) {
    TDateTime in1990 = *encodeDate(1990, 1, 1);
    expectReads("39:01:01", Expected{2039, 1, 1, 0, 0, 0, 0}, {}, in1990);
    expectReads("40:01:01", Expected{1940, 1, 1, 0, 0, 0, 0}, {}, in1990);
    // 1990 is no leap year: not a date, but a time alone.
    expectReads("02:29", timeOnly(2, 29, 0), {}, in1990);
    expectReads("02:29", Expected{2000, 2, 29, 0, 0, 0, 0}, {}, *encodeDate(2000, 6, 1));
}

} // namespace
} // namespace pixbako
