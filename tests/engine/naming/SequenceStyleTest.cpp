// The eleven sequence-number styles, their limits and the number text.
#include "engine/naming/SequenceStyle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace pixbako {
namespace {

TEST(SequenceStyle, EachItemGivesItsTextsDigitsAndLimits) {
    struct Row {
        int index;
        const char* opening;
        int digits;
        const char* closing;
        std::int64_t highest;
        const char* seven; // number 7 in the style
    };
    const Row rows[] = {
        {0, "", 2, "", 99, "07"},
        {1, "", 3, "", 999, "007"},
        {2, "(", 2, ")", 99, "(07)"},
        {3, "(", 3, ")", 999, "(007)"},
        {4, "[", 2, "]", 99, "[07]"},
        {5, "[", 3, "]", 999, "[007]"},
        {6, "-", 2, "-", 99, "-07-"},
        {7, "-", 3, "-", 999, "-007-"},
        {8, "(", 4, ")", 9999, "(0007)"},
        {9, "[", 4, "]", 9999, "[0007]"},
        {10, "-", 4, "-", 9999, "-0007-"},
        // No item selected (and anything outside the list): an empty picture.
        {-1, "", 0, "", 0, "7"},
        {11, "", 0, "", 0, "7"},
    };
    for (const Row& r : rows) {
        SequenceStyle s = sequenceStyleFor(r.index);
        EXPECT_EQ(s.opening, r.opening) << r.index;
        EXPECT_EQ(s.digits, r.digits) << r.index;
        EXPECT_EQ(s.closing, r.closing) << r.index;
        EXPECT_EQ(highestStartNumber(s), r.highest) << r.index;
        EXPECT_EQ(sequenceLimit(s), r.highest + 1) << r.index;
        EXPECT_EQ(sequenceText(s, 7), r.seven) << r.index;
    }
}

TEST(SequenceStyle, NumberTextPadsButNeverCuts) {
    struct Row {
        std::int64_t number;
        int digits;
        const char* expected;
    };
    const Row rows[] = {
        {7, 3, "007"},
        {100, 2, "100"}, // the limit itself is written with one digit more
        {12345, 4, "12345"},
        {-7, 3, "-007"},
        {0, 0, "0"},
        {42, 0, "42"},
        {std::numeric_limits<std::int64_t>::min(), 2, "-9223372036854775808"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(numberText(r.number, r.digits), r.expected) << r.number << "/" << r.digits;
}

TEST(SequenceStyle, RefreshResetsAStartNumberAboveTheStylesMaximum) {
    struct Row {
        int index;
        std::int64_t start;
        std::int64_t adjusted;
    };
    const Row rows[] = {
        {0, 120, 1}, {0, 99, 99}, {1, 120, 120}, {8, 10000, 1}, {8, 0, 0}, {-1, 5, 1}, {-1, 0, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(adjustedStartNumber(r.start, sequenceStyleFor(r.index)), r.adjusted)
            << r.index << "/" << r.start;
}

} // namespace
} // namespace pixbako
