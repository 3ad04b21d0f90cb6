// Finding DateTimeOriginal in collected APP1 data, and entry values as text.
#include "engine/shotdate/ShotDate.h"
#include "support/JpegBuilder.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

using namespace std::string_literals;
using test::asciiEntry;
using test::exifPointerEntry;
using test::ExifSpec;
using test::IfdEntrySpec;

const char* const kDate = "2004:05:06 12:34:56";

// Where the builder puts things, counted in the collected data ("Exif\0\0" + TIFF).
constexpr std::size_t kIfd0 = 6 + 8;
std::size_t exifIfdAt(const ExifSpec& layout) {
    return kIfd0 + 2 + 12 * layout.ifd0.size() + 4;
}

void putLittle(std::string& data, std::size_t pos, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        data[pos + i] = static_cast<char>(value >> (8 * i));
}

ExifSpec withExifEntries(std::vector<IfdEntrySpec> entries, bool bigEndian = false) {
    ExifSpec layout;
    layout.bigEndian = bigEndian;
    layout.ifd0 = {asciiEntry(0x010F, "MAKER"), exifPointerEntry()};
    layout.exifIfd = std::move(entries);
    return layout;
}

TEST(ExifDateText, FindsOnlyDateTimeOriginalOfTheExifDirectory) {
    struct Case {
        const char* name;
        std::string collected;
        std::string text;
    };
    ExifSpec inFirstDir;
    inFirstDir.ifd0 = {asciiEntry(0x9003, kDate)};
    ExifSpec pointerFirst = test::dateExif(kDate);
    pointerFirst.ifd0 = {exifPointerEntry(), asciiEntry(0x010F, "MAKER")};
    std::string good = test::exifPayload(test::dateExif(kDate));
    std::string upper = good;
    upper.replace(0, 4, "eXIF");
    std::string noZero = good;
    noZero[4] = ' ';
    std::string wrongMagic = good;
    wrongMagic[8] = 0x2B;
    std::string mixedOrder = good;
    mixedOrder.replace(6, 2, "MI");
    std::string bigMagicInLittle = good;
    bigMagicInLittle.replace(8, 2, "\x00\x2A"s);

    const Case cases[] = {
        {"little-endian", good, kDate},
        {"big-endian", test::exifPayload(test::dateExif(kDate, true)), kDate},
        {"header letters in any case", upper, kDate},
        {"pointer before other entries", test::exifPayload(pointerFirst), kDate},
        {"no zero after Exif", noZero, ""},
        {"not 42", wrongMagic, ""},
        {"unknown byte order", mixedOrder, ""},
        {"42 in the other order", bigMagicInLittle, ""},
        {"XMP packet", test::xmpPayload(), ""},
        {"header only", "Exif\0\0II*\0"s, ""},
        {"empty", "", ""},
        {"DateTime and DateTimeDigitized only",
         test::exifPayload(withExifEntries({asciiEntry(0x0132, kDate), asciiEntry(0x9004, kDate)})),
         ""},
        {"date tag in the first directory", test::exifPayload(inFirstDir), ""},
        {"no date tag", test::exifPayload(test::dateExif(std::nullopt)), ""},
        {"last DateTimeOriginal wins",
         test::exifPayload(withExifEntries(
             {asciiEntry(0x9003, "2001:01:01 00:00:00"), asciiEntry(0x9003, kDate)})),
         kDate},
        {"big-endian, last wins",
         test::exifPayload(withExifEntries(
             {asciiEntry(0x9003, "2001:01:01 00:00:00"), asciiEntry(0x9003, kDate)}, true)),
         kDate},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findExifDateText(c.collected), c.text) << c.name;
}

TEST(ExifDateText, DirectoriesOutsideTheDataAreReadErrors) {
    ExifSpec layout = test::dateExif(kDate);
    const std::string good = test::exifPayload(layout);
    const std::size_t exifDir = exifIfdAt(layout);
    const std::size_t pointerEntry = kIfd0 + 2 + 12 * 3; // the fourth entry
    struct Case {
        const char* name;
        std::string collected;
    };
    std::vector<Case> cases;
    auto patched = [&](const char* name, std::size_t pos, std::uint32_t value, int size) {
        std::string data = good;
        putLittle(data, pos, value, size);
        cases.push_back({name, data});
    };
    patched("first directory far away", 10, 0x7FFFFFF0, 4);
    patched("first directory offset wraps", 10, 0xFFFFFFFF, 4);
    patched("first directory's count cut", 10, static_cast<std::uint32_t>(good.size() - 7), 4);
    patched("EXIF directory far away", pointerEntry + 8, 0x10000, 4);
    patched("EXIF directory offset wraps", pointerEntry + 8, 0xFFFFFFFA, 4);
    patched("EXIF entries beyond the data", exifDir, 0xFFFF, 2);
    cases.push_back({"entry cut by the end", good.substr(0, kIfd0 + 2 + 12 + 5)});
    cases.push_back({"count cut by the end", good.substr(0, kIfd0 + 1)});

    for (const auto& c : cases) {
        try {
            findExifDateText(c.collected);
            ADD_FAILURE() << "no error: " << c.name;
        } catch (const ShotDateError& e) {
            EXPECT_EQ(e.kind(), ShotDateError::Kind::ReadError) << c.name;
        }
    }
}

TEST(ExifDateText, EntriesAfterThePointerAreNeverRead) {
    // The first directory claims more entries than the data hold, but the search ends at its
    // EXIF pointer.
    ExifSpec layout = test::dateExif(kDate);
    layout.ifd0 = {exifPointerEntry()};
    std::string data = test::exifPayload(layout);
    putLittle(data, kIfd0, 0xFFFF, 2);
    EXPECT_EQ(findExifDateText(data), kDate);
}

TEST(ExifDateText, ValuesOfEveryTypeAsText) {
    struct Case {
        const char* name;
        IfdEntrySpec entry;
        std::string text;
    };
    auto raw = [](std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        return IfdEntrySpec{0x9003, type, count, value};
    };
    auto withData = [](std::uint16_t type, std::uint32_t count, std::string data) {
        IfdEntrySpec e{0x9003, type, count};
        e.data = std::move(data);
        return e;
    };
    const Case cases[] = {
        {"ascii", asciiEntry(0x9003, "12:34"), "12:34"},
        {"ascii count ignored", withData(2, 5, "2004:05:06\0"s), "2004:05:06"},
        // Four bytes or fewer stand in the entry: read as an offset they gave "II*" or worse.
        {"empty ascii in its entry", asciiEntry(0x9003, ""), ""},
        {"three letters in their entry", asciiEntry(0x9003, "1:2"), "1:2"},
        {"four letters without a zero byte", withData(2, 4, "12:3"), "12:3"},
        {"entry text ends at its count", withData(2, 2, "9:3"), "9:"},
        {"ascii count 0", withData(2, 0, "1"), ""},
        {"ascii offset outside", raw(2, 20, 0x100000), ""},
        {"ascii offset at the end", raw(2, 20, 0xFFFFFFFA), ""},
        {"byte", raw(1, 1, 200), "200"},
        {"short", raw(3, 1, 65535), "65535"},
        {"two shorts inline", raw(3, 2, 12), "12"},
        {"shorts at an offset", withData(3, 3, "\x07\x07\x07\x07\x07\x07"), "1799"},
        {"shorts outside", raw(3, 3, 0x100000), ""},
        {"long", raw(4, 1, 4294967295u), "4294967295"},
        {"signed long", raw(9, 1, 0xFFFFFFFE), "-2"},
        {"long count 0", raw(4, 0, 5), ""},
        {"long array outside", raw(4, 2, 0x100000), ""},
        {"rational", test::rationalEntry(0x9003, 1, 125), "0.008"},
        {"rational whole", test::rationalEntry(0x9003, 36, 3), "12"},
        {"rational thirds", test::rationalEntry(0x9003, 1, 3), "0.333333333333333"},
        {"rational zero denominator", test::rationalEntry(0x9003, 1, 0), ""},
        {"signed rational", test::rationalEntry(0x9003, 0xFFFFFFFF, 2, true), "-0.5"},
        {"signed rational zero denominator", test::rationalEntry(0x9003, 0, 0, true), ""},
        {"rational outside", raw(5, 1, 0xFFFFFFF0), ""},
        {"undefined", withData(7, 20, "2004:05:06 12:34:56\0"s), ""},
        {"float", raw(11, 1, 0), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findExifDateText(test::exifPayload(withExifEntries({c.entry}))), c.text)
            << c.name;
        EXPECT_EQ(findExifDateText(test::exifPayload(withExifEntries({c.entry}, true))), c.text)
            << c.name << " (big-endian)";
    }
}

TEST(ExifDateText, AsciiWithoutZeroByteIsNoText) {
    // The text runs to the end of the collected data: taken as missing, never read beyond.
    std::string data = test::exifPayload(test::dateExif(kDate));
    std::size_t at = data.find(kDate);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(findExifDateText(data.substr(0, at + 19)), "");
    EXPECT_EQ(findExifDateText(data.substr(0, at + 20)), kDate);
}

} // namespace
} // namespace pixbako
