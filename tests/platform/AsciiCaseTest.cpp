#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    // Bytes around the letter ranges and UTF-8 bytes must come through unchanged.
    EXPECT_EQ(asciiUpper("az@[`{AZ.jpg"), "AZ@[`{AZ.JPG");
    EXPECT_EQ(asciiLower("AZ@[`{az.JPG"), "az@[`{az.jpg");
    EXPECT_EQ(asciiUpper("写真ｊｐｇ\xFF"), "写真ｊｐｇ\xFF");
    EXPECT_EQ(asciiLower("ÄÖ"), "ÄÖ");
}

TEST(AsciiCase, ComparesIgnoringAsciiCaseOnly) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
        bool startsWith;
    };
    const Case cases[] = {
        {"", "", true, true},
        {"Options", "OPTIONS", true, true},
        {"am/pm", "AM/PM", true, true},
        {"AM/PMx", "am/pm", false, true},
        {"am", "am/pm", false, false}, // a shorter text never starts with a longer word
        {"[", "{", false, false},      // 0x5B and 0x7B differ by 32 but are no letters
        {"@", "`", false, false},
        {"Ä", "ä", false, false}, // only ASCII folds
        {"Exif!", "exif", false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(startsWithIgnoringAsciiCase(c.a, c.b), c.startsWith) << c.a << " / " << c.b;
    }
}

} // namespace
} // namespace pixbako
