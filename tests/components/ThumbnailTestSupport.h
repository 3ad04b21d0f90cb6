#pragma once
// Test pictures for the thumbnail builder, made while the tests run: real pixels through
// libjpeg, EXIF blocks with an IFD1 thumbnail, progressive files with a scan script of our
// choice, and bitmaps through Qt.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako::test {

// A baseline JPEG of width x height with a colour gradient (libjpeg, quality 85, JFIF).
std::string pictureJpeg(int width, int height);

// A progressive grey JPEG whose scan script has `scans` scans (2 to 127): the DC scan, then
// single-coefficient AC scans, then their refinements.
std::string progressiveJpeg(int width, int height, int scans);

// The JPEG with the given APP1 payloads inserted right after its SOI marker, in this order.
std::string withApp1(std::string_view jpeg, const std::vector<std::string>& payloads);

struct ExifThumbnailSpec {
    bool bigEndian = false;
    int ifd0Entries = 2;               // filler entries in IFD0
    std::uint16_t compressionType = 3; // TIFF type of the Compression entry (1, 2, 3 or 4)
    std::uint32_t compression = 6;
    bool withCompression = true;
    bool withOffset = true;
    std::int64_t offsetDelta = 0; // added to the true offset of the thumbnail data
};

// An APP1 payload "Exif\0\0" + TIFF block whose IFD1 locates `thumbnail`, placed after the
// directories.
std::string exifWithThumbnail(std::string_view thumbnail, const ExifThumbnailSpec& spec = {});

// Replaces the picture size in the first SOF segment.
std::string withClaimedSize(std::string jpeg, int width, int height);

// A 24-bit BMP of width x height (Qt's writer).
std::string bitmap(int width, int height);

std::string readFile(const std::string& path);

} // namespace pixbako::test
