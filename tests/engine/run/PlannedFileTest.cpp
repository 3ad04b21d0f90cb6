// The text forms of a planned file: its time stamp and its new folder's levels.
#include "engine/run/PlannedFile.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(PlannedFile, StampIsFourteenDigitsOnTheTwentyFourHourClock) {
    struct Case {
        LocalDateTime date;
        const char* stamp;
    };
    const Case cases[] = {
        {{2004, 5, 6, 12, 34, 56, 0}, "20040506123456"},
        {{1999, 12, 31, 23, 59, 58, 999}, "19991231235958"}, // milliseconds dropped, not rounded
        {{2005, 3, 12, 0, 0, 0, 0}, "20050312000000"},
        {{5, 1, 2, 3, 4, 5, 0}, "00050102030405"}, // always four digits of year
        {{}, "18991230000000"},                    // a time read without a date
    };
    for (const Case& c : cases)
        EXPECT_EQ(stampText(c.date), c.stamp);
}

TEST(PlannedFile, FolderLevelsGoBackToTheTextTheyCameFrom) {
    using Levels = std::vector<std::string>;
    struct Case {
        const char* text;
        Levels levels;
        const char* path;
    };
    const Case cases[] = {
        {"", {}, ""},
        {"2005_03_12", {"2005_03_12"}, "2005_03_12"},
        {"photo\\2005年\\03", {"photo", "2005年", "03"}, "photo/2005年/03"},
        {"photo\\2005年\\03\\", {"photo", "2005年", "03", ""}, "photo/2005年/03/"},
        {"\\", {"", ""}, "/"},
        {"a\\\\b", {"a", "", "b"}, "a//b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(folderLevelsOf(c.text), c.levels) << c.text;
        EXPECT_EQ(folderLevelsText(c.levels), c.text);
        EXPECT_EQ(folderLevelsPath(c.levels), c.path) << c.text;
    }
}

} // namespace
} // namespace pixbako
