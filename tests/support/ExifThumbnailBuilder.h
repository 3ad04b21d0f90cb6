#pragma once
// EXIF blocks whose second directory (IFD1) locates an embedded JPEG thumbnail, as cameras
// write them, and the insertion of APP1 segments into a JPEG, for tests and benchmarks.
//
//     std::string jpeg = withApp1(picture, {exifWithThumbnail(smallJpeg)});
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako::test {

// The JPEG with the given APP1 payloads inserted right after its SOI marker, in this order.
std::string withApp1(std::string_view jpeg, const std::vector<std::string>& payloads);

struct ExifThumbnailLayout {
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
std::string exifWithThumbnail(std::string_view thumbnail, const ExifThumbnailLayout& layout = {});

} // namespace pixbako::test
