#include "platform/Encoding.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(Cp932, JapaneseTextRoundTrips) {
    struct Case {
        const char* utf8;
        std::string cp932;
    };
    // 0x5C as a second byte (ソ, 表) is the classic trap of Shift-JIS.
    const Case cases[] = {
        {"年", "\x94\x4E"},
        {"ソ", "\x83\x5C"},
        {"表", "\x95\x5C"},
        {"ｶﾀｶﾅ", "\xB6\xC0\xB6\xC5"},
        {"2004年\\05月", "2004\x94\x4E\\05\x8C\x8E"},
        {"①髙～", "\x87\x40\xFB\xFC\x81\x60"},
        {"", ""},
    };
    for (const auto& c : cases) {
        auto encoded = utf8ToCp932(c.utf8);
        ASSERT_TRUE(encoded) << c.utf8;
        EXPECT_EQ(*encoded, c.cp932) << c.utf8;
        EXPECT_EQ(cp932ToUtf8(c.cp932), c.utf8);
    }
}

TEST(Cp932, RejectsCharactersThatWouldNotReadBackUnchanged) {
    const char* cases[] = {
        "写真😀",      // outside CP932
        "¥100",       // glibc would write 0x5C, a backslash
        "〜",         // WAVE DASH would come back as FULLWIDTH TILDE
        "\xFF\xFE",   // not UTF-8 at all
        "ok\xE5\xB9", // a cut character
    };
    for (const char* text : cases)
        EXPECT_FALSE(utf8ToCp932(text)) << text;
}

TEST(Cp932, BrokenBytesBecomeReplacementCharacters) {
    struct Case {
        std::string cp932;
        std::string utf8;
    };
    const Case cases[] = {
        {"a\x80z", "a\xEF\xBF\xBDz"},
        {"\x81 x", "\xEF\xBF\xBD x"},       // lead byte without a second byte: the blank stays
        {"\xEB\x40!", "\xEF\xBF\xBD!"},     // undefined double-byte code: one character
        {"\x94\x4E\x94", "年\xEF\xBF\xBD"}, // cut at the end
        {"\xFF\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cp932ToUtf8(c.cp932), c.utf8);
}

TEST(TextFile, EncodesCp932OrFallsBackToUtf8WithBom) {
    EXPECT_EQ(encodeTextFile("[AUTONUM]\r\n年=1\r\n"), "[AUTONUM]\r\n\x94\x4E=1\r\n");
    EXPECT_EQ(encodeTextFile("READ=/media/😀\r\n"), "\xEF\xBB\xBFREAD=/media/😀\r\n");
    // A non-UTF-8 file name survives the trip through a file.
    std::string raw = "READ=/media/\xFF\xFE\r\n";
    EXPECT_EQ(decodeTextFile(encodeTextFile(raw)), raw);
}

TEST(TextFile, DecodesByBomValidityOrCp932) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF写真\r\n", "写真\r\n"},
        {"写真\r\n", "写真\r\n"},
        {"\x8E\xCA\x90\x5E\r\n", "写真\r\n"},
        {"C:\\\x95\x5C\\", "C:\\表\\"},
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeTextFile(c.bytes), c.text) << c.text;
}

} // namespace
} // namespace pixbako
