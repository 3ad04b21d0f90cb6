// EXIF blocks with an IFD1 thumbnail: IFD0 with filler entries, IFD1 with Compression,
// JPEGInterchangeFormat and its length, then the thumbnail's bytes.
#include "support/ExifThumbnailBuilder.h"

namespace pixbako::test {
namespace {

void put16(std::string& out, std::uint32_t v, bool big) {
    if (big) {
        out += static_cast<char>(v >> 8);
        out += static_cast<char>(v);
    } else {
        out += static_cast<char>(v);
        out += static_cast<char>(v >> 8);
    }
}

void put32(std::string& out, std::uint32_t v, bool big) {
    if (big) {
        put16(out, v >> 16, true);
        put16(out, v & 0xFFFF, true);
    } else {
        put16(out, v & 0xFFFF, false);
        put16(out, v >> 16, false);
    }
}

// One 12-byte entry whose value fits the value field, left-justified.
void entry(std::string& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
           std::uint32_t value, bool big) {
    put16(out, tag, big);
    put16(out, type, big);
    put32(out, count, big);
    if (type == 3) {
        put16(out, value, big);
        put16(out, 0, big);
    } else if (type == 1 || type == 2) {
        out += static_cast<char>(value);
        out += std::string(3, '\0');
    } else {
        put32(out, value, big);
    }
}

} // namespace

std::string withApp1(std::string_view jpeg, const std::vector<std::string>& payloads) {
    std::string out(jpeg.substr(0, 2));
    for (const auto& p : payloads) {
        std::size_t length = p.size() + 2;
        out += "\xFF\xE1";
        out += static_cast<char>(length >> 8);
        out += static_cast<char>(length & 0xFF);
        out += p;
    }
    out += jpeg.substr(2);
    return out;
}

std::string exifWithThumbnail(std::string_view thumbnail, const ExifThumbnailLayout& layout) {
    const bool big = layout.bigEndian;
    std::string tiff = big ? std::string("MM\0\x2A", 4) : std::string("II\x2A\0", 4);
    put32(tiff, 8, big);
    put16(tiff, static_cast<std::uint32_t>(layout.ifd0Entries), big);
    for (int i = 0; i < layout.ifd0Entries; ++i)
        entry(tiff, static_cast<std::uint16_t>(0x0110 + i), 3, 1, 1, big);
    const std::uint32_t ifd1 = static_cast<std::uint32_t>(tiff.size() + 4);
    put32(tiff, ifd1, big);
    const int entries = (layout.withCompression ? 1 : 0) + (layout.withOffset ? 1 : 0) + 1;
    const auto dataAt = static_cast<std::uint32_t>(ifd1 + 2 + entries * 12 + 4);
    put16(tiff, static_cast<std::uint32_t>(entries), big);
    if (layout.withCompression)
        entry(tiff, 0x0103, layout.compressionType, 1,
              layout.compressionType == 2 ? '0' + layout.compression : layout.compression, big);
    if (layout.withOffset)
        entry(tiff, 0x0201, 4, 1, static_cast<std::uint32_t>(dataAt + layout.offsetDelta), big);
    entry(tiff, 0x0202, 4, 1, static_cast<std::uint32_t>(thumbnail.size()), big);
    put32(tiff, 0, big);
    tiff += thumbnail;
    return std::string("Exif\0\0", 6) + tiff;
}

} // namespace pixbako::test
