#include "platform/Encoding.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

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

TEST(TextFile, DecodesByBomThenCp932ThenUtf8) {
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF写真\r\n", "写真\r\n"},
        {"\xEF\xBB\xBF\xC3\xBD", "ý"}, // the BOM decides
        {"\x8E\xCA\x90\x5E\r\n", "写真\r\n"},
        {"C:\\\x95\x5C\\", "C:\\表\\"},
        {"\xC3\xBD\r\n", "ﾃｽ\r\n"},                     // CP932 that is valid UTF-8 too
        {"FMAE=\"\xDB\xB0\xDF\xB0\"", "FMAE=\"ﾛｰﾟｰ\""}, // likewise
        {"あ\r\n", "あ\r\n"},                 // E3 81 82: a cut CP932 character at the end
        {"😀=é", "😀=é"},                       // F0 9F 98 80: 98 80 is no CP932 character
        {"a\x80\xC3\xBD", "a\xEF\xBF\xBDﾃｽ"}, // neither: CP932 with a replacement
        {"plain", "plain"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeTextFile(c.bytes), c.text) << c.text;
}

// Half-width katakana are single CP932 bytes A1..DF, and a pair of them can look like a UTF-8
// character ("ﾃｽ" = C3 BD = "ý"). A prefix read back as another text broke the continued
// numbering, and the next run replaced the previous run's files.
TEST(TextFile, EveryHalfWidthKatakanaAndPairOfThemReadsBackAsWritten) {
    std::vector<std::string> katakana;
    for (char32_t cp = 0xFF61; cp <= 0xFF9F; ++cp)
        katakana.push_back({static_cast<char>(0xE0 | (cp >> 12)),
                            static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                            static_cast<char>(0x80 | (cp & 0x3F))});
    ASSERT_EQ(katakana.size(), 63u);
    int wrong = 0;
    auto check = [&](const std::string& text) {
        std::string bytes = encodeTextFile(text);
        std::string back = decodeTextFile(bytes);
        if (back != text && ++wrong <= 5)
            ADD_FAILURE() << text << " reads back as " << back;
    };
    for (const auto& first : katakana) {
        check(first);
        check("FMAE=\"" + first + "\"\r\n");
        for (const auto& second : katakana) {
            check(first + second);
            check("FMAE=\"" + first + second + "\"\r\n");
        }
    }
    EXPECT_EQ(wrong, 0);
    // They are written as CP932, one byte each.
    EXPECT_EQ(encodeTextFile("ﾃｽ"), "\xC3\xBD");
}

} // namespace
} // namespace pixbako
