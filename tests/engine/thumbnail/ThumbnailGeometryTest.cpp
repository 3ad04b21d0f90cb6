// Thumbnail sizes and the EXIF thumbnail lookup, on values and byte blocks alone.
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "engine/thumbnail/ExifThumbnail.h"
#include "engine/thumbnail/ThumbnailTestPictures.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

TEST(ThumbnailGeometry, HalvesLargePicturesRoundsHalfToEvenAndEnlargesSmallOnes) {
    struct Case {
        int width, height, size;
        PictureSize expected;
    };
    const Case cases[] = {
        {4000, 3000, 120, {120, 90}}, // halved 5 times to 125 x 94 (187.5 -> 188), then 0.96
        {3000, 4000, 120, {90, 120}},  {60, 40, 120, {120, 80}}, // enlarged
        {160, 120, 120, {120, 90}},                              // an EXIF thumbnail
        {2400, 2400, 120, {120, 120}}, // s = 0.05 exactly: halved to 150 first
        {240, 5, 120, {120, 2}},       // 2.5 rounds to the even 2, not up
        {240, 7, 120, {120, 4}},       // 3.5 rounds to the even 4
        {4000, 3000, 60, {60, 45}},    {1, 1, 120, {120, 120}},
        {1000, 1, 120, {120, 1}},   // 0.12 would round to 0: kept at one pixel
        {100000, 3, 120, {120, 1}}, // halving takes the 3 down to 0 first
    };
    for (const Case& c : cases)
        EXPECT_EQ(computeThumbnailSize(c.width, c.height, c.size), c.expected)
            << c.width << "x" << c.height << " at " << c.size;
}

TEST(ExifThumbnailLookup, ValueTextsFollowTheTypeRules) {
    // A little-endian block with data after 12 bytes of entries.
    std::string tiff("II\x2A\0\x08\0\0\0", 8);
    tiff += std::string("\x01\x02\x03\x04\x05", 5);     // at 8: bytes
    tiff += std::string("\x01\x00\xFF\x00\x34\x12", 6); // at 13: three 16-bit values
    struct Case {
        TiffEntry entry;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {{0, 1, 3, 0x00030201, 100}, std::nullopt}, // value field position outside
        {{0, 1, 5, 8, 0}, "1;2;3;4;5"},             // 5 bytes: at the offset
        {{0, 3, 3, 13, 0}, "$0001;$00FF;$1234"},
        {{0, 4, 1, 0, 8}, "$04030201"}, // the value field itself, at 8
        {{0, 2, 2, 0, 8}, std::string("\x01\x02", 2)},
        {{0, 7, 5, 8, 0}, std::string("\x01\x02\x03\x04\x05", 5)},
        {{0, 5, 1, 8, 0}, ""}, // rationals have no text
        {{0, 1, 100, 8, 0}, std::nullopt},
        {{0, 4, 0xFFFFFFFF, 8, 0}, std::nullopt}, // a count that would overflow the size
    };
    for (const Case& c : cases) {
        TiffEntry e = c.entry;
        if (e.valuePos == 0)
            e.valuePos = 8; // unused for values at an offset
        auto text = ifdValueText(tiff, TiffByteOrder::LittleEndian, e);
        EXPECT_EQ(text, c.expected) << "type " << e.type << " count " << e.count;
    }
}

TEST(ExifThumbnailLookup, ValueTextsReadBackAsNumbers) {
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {"$0006", 6},
        {"6", 6},
        {std::string("6\0\0", 3), 6},
        {" -12", -12},
        {"$FFFFFFFF", -1},
        {"0x1F", 31},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1;2", std::nullopt},
        {"$", std::nullopt},
        {"99999999999", std::nullopt},
        {"2147483648", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(valueTextNumber(text), expected) << text;
}

TEST(ExifThumbnailLookup, FindsTheThumbnailOnlyThroughAValidIfd1) {
    const std::string thumb = "\xFF\xD8thumbnail\xFF\xD9";
    using test::ExifThumbnailLayout;
    struct Case {
        const char* name;
        ExifThumbnailLayout layout;
        bool found;
    };
    const Case cases[] = {
        {"little-endian", {}, true},
        {"big-endian", {.bigEndian = true}, true},
        {"many IFD0 entries", {.ifd0Entries = 30}, true},
        {"compression as LONG", {.compressionType = 4}, true},
        {"compression as BYTE", {.compressionType = 1}, true},
        {"compression as ASCII", {.compressionType = 2}, true},
        {"uncompressed thumbnail", {.compression = 1}, false},
        {"no compression tag", {.withCompression = false}, false},
        {"no offset tag", {.withOffset = false}, false},
        {"offset beyond the data", {.offsetDelta = 1000}, false},
        {"offset at the very end of the data",
         {.offsetDelta = static_cast<std::int64_t>(thumb.size())},
         false},
    };
    for (const Case& c : cases) {
        std::string payload = test::exifWithThumbnail(thumb, c.layout);
        auto found = findExifThumbnail(payload);
        ASSERT_EQ(found.has_value(), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(*found, thumb) << c.name;
        }
    }
}

TEST(ExifThumbnailLookup, BrokenHeadersAndDirectoriesFindNothing) {
    const std::string good = test::exifWithThumbnail("\xFF\xD8x\xFF\xD9");
    std::vector<std::pair<const char*, std::string>> cases;
    cases.push_back({"lower-case exif", "exif" + good.substr(4)});
    cases.push_back({"no zero after Exif", "Exif!" + good.substr(5)});
    cases.push_back({"cut in the IFD0 count", good.substr(0, 15)});
    cases.push_back({"cut in IFD1", good.substr(0, 6 + 8 + 2 + 24 + 4 + 6)});
    std::string hugeCount = good;
    hugeCount[6 + 8] = '\xFF';
    hugeCount[6 + 9] = '\xFF';
    cases.push_back({"IFD0 count pointing past the data", hugeCount});
    std::string ifd1Outside = good;
    ifd1Outside[6 + 10 + 24 + 3] = '\x7F';
    cases.push_back({"IFD1 offset past the data", ifd1Outside});
    cases.push_back({"empty", ""});
    for (const auto& [name, payload] : cases)
        EXPECT_FALSE(findExifThumbnail(payload).has_value()) << name;
}

TEST(ExifThumbnailLookup, UnmarkedByteOrderIsReadLittleEndian) {
    std::string payload = test::exifWithThumbnail("\xFF\xD8x\xFF\xD9");
    payload[6] = 'X';
    payload[7] = 'Y';
    EXPECT_TRUE(findExifThumbnail(payload).has_value());
}

TEST(ExifThumbnailLookup, OnlyTheFirstApp1OfTheFileCounts) {
    const std::string thumb = "\xFF\xD8x\xFF\xD9";
    const std::string picture = test::pictureJpeg(16, 16);
    const std::string exif = test::exifWithThumbnail(thumb);
    const std::string xmp = std::string("http://ns.adobe.com/xap/1.0/\0", 29) + "<x/>";

    const std::string exifFirstBytes = test::withApp1(picture, {exif, xmp});
    const std::string xmpFirstBytes = test::withApp1(picture, {xmp, exif});
    MemorySource exifFirst(exifFirstBytes);
    // The data run on to the end of the collected APP1 data; the decoder stops at the
    // thumbnail's end marker.
    auto found = readExifThumbnail(exifFirst);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->starts_with(thumb));
    MemorySource xmpFirst(xmpFirstBytes);
    EXPECT_EQ(readExifThumbnail(xmpFirst), std::nullopt);
    // An APP1 that runs past the end of the file is a broken head: no thumbnail, no error.
    std::string cut = test::withApp1(picture, {exif}).substr(0, 30);
    MemorySource truncated(cut);
    EXPECT_EQ(readExifThumbnail(truncated), std::nullopt);
}

} // namespace
} // namespace pixbako
