#include "platform/DateTime.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(DateTime, RoundTripsFieldsAcrossTheScale) {
    struct Case {
        int y, mo, d, h, mi, s, ms, dow;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0, 0, 7},    {1900, 3, 1, 12, 0, 0, 0, 5},
        {2004, 5, 6, 12, 34, 56, 0, 5},   {2000, 2, 29, 23, 59, 59, 999, 3},
        {2107, 12, 31, 23, 59, 58, 0, 7}, {1, 1, 1, 0, 0, 1, 0, 2},
        {1850, 6, 15, 6, 30, 0, 0, 7},
    };
    for (const auto& c : cases) {
        auto value = encodeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms);
        ASSERT_TRUE(value) << c.y;
        auto p = decodeDateTime(*value);
        EXPECT_EQ(p.year, c.y);
        EXPECT_EQ(p.month, c.mo);
        EXPECT_EQ(p.day, c.d);
        EXPECT_EQ(p.hour, c.h);
        EXPECT_EQ(p.minute, c.mi);
        EXPECT_EQ(p.second, c.s);
        EXPECT_EQ(p.millisecond, c.ms);
        EXPECT_EQ(p.dayOfWeek, c.dow) << c.y << "-" << c.mo << "-" << c.d;
    }
}

TEST(DateTime, RejectsImpossibleFields) {
    EXPECT_FALSE(encodeDate(2003, 2, 29));
    EXPECT_FALSE(encodeDate(0, 1, 1));
    EXPECT_FALSE(encodeDate(2004, 13, 1));
    EXPECT_FALSE(encodeTime(24, 0, 0, 0));
    EXPECT_FALSE(encodeTime(0, 60, 0, 0));
    EXPECT_TRUE(encodeDate(2000, 2, 29));
    EXPECT_FALSE(encodeDate(1900, 2, 29));
}

TEST(DateTime, DayZeroIsTheScaleStart) {
    EXPECT_EQ(*encodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(*encodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(*encodeTime(12, 0, 0, 0), 0.5);
}

// The fields go through the formatter's value and back unchanged, also before the scale's day 0,
// where the value's time runs away from zero; and they compare in time order there, where the
// values would not (an afternoon of 1850 is a smaller value than its morning).
TEST(LocalDateTime, RoundTripsThroughTheValueAndComparesInTimeOrder) {
    const LocalDateTime ordered[] = {
        {1, 1, 1, 0, 0, 1, 0},       {1850, 6, 15, 6, 30, 0, 0},
        {1850, 6, 15, 18, 0, 0, 0},  {1899, 12, 29, 23, 59, 59, 999},
        {1899, 12, 30, 0, 0, 0, 0},  {2004, 5, 6, 12, 34, 56, 0},
        {2004, 5, 6, 12, 34, 56, 1}, {9999, 12, 31, 23, 59, 59, 999},
    };
    for (std::size_t i = 0; i < std::size(ordered); ++i) {
        const LocalDateTime& date = ordered[i];
        EXPECT_EQ(localDateTimeOf(dateTimeValue(date)), date) << i;
        auto made = makeLocalDateTime(date.year, date.month, date.day, date.hour, date.minute,
                                      date.second, date.millisecond);
        ASSERT_TRUE(made) << i;
        EXPECT_EQ(*made, date) << i;
        if (i > 0) {
            EXPECT_LT(ordered[i - 1], date) << i;
        }
    }
    EXPECT_EQ(LocalDateTime{}, localDateTimeOf(0.0));
    EXPECT_FALSE(makeLocalDateTime(2003, 2, 29));
    EXPECT_FALSE(makeLocalDateTime(2004, 5, 6, 24));
    EXPECT_FALSE(makeLocalDateTime(2004, 5, 6, 0, 0, 0, 1000));
}

} // namespace
} // namespace pixbako
