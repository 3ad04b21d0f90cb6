// The embedded EXIF thumbnail: the first APP1 payload, IFD0 at the TIFF header + 8, the
// next-directory offset behind it, and the tags of IFD1 read as value texts.
#include "engine/thumbnail/ExifThumbnail.h"
#include "engine/shotdate/TiffCursor.h"

#include <cstdio>

namespace pixbako {
namespace {

// The TIFF header follows "Exif", a zero byte and one more byte.
constexpr std::uint64_t kTiffStart = 6;
constexpr std::uint64_t kEntrySize = TiffCursor::kEntrySize;
constexpr std::uint16_t kCompressionTag = 0x0103;
constexpr std::uint16_t kJpegOffsetTag = 0x0201;
constexpr std::int64_t kJpegCompression = 6;

// Whether the value lies in the entry's own value field.
bool valueInField(const TiffEntry& e) {
    switch (e.type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return e.count <= 4;
    case 3:
    case 8:
        return e.count <= 2;
    case 4:
    case 9:
    case 11:
        return e.count == 1;
    default:
        return false;
    }
}

// The first entry of the directory at dirPos (relative to the TIFF block) with this tag.
std::optional<TiffEntry> findTag(const TiffCursor& in, std::uint64_t dirPos, std::uint16_t tag) {
    auto count = in.number(dirPos, 2);
    if (!count)
        return std::nullopt;
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto e = in.entry(dirPos + 2 + i * kEntrySize);
        if (!e)
            return std::nullopt;
        if (e->tag == tag)
            return e;
    }
    return std::nullopt;
}

std::optional<std::int64_t> tagNumber(std::string_view tiff, TiffByteOrder order,
                                      const TiffCursor& in, std::uint64_t dirPos,
                                      std::uint16_t tag) {
    auto e = findTag(in, dirPos, tag);
    if (!e)
        return std::nullopt;
    auto text = ifdValueText(tiff, order, *e);
    if (!text)
        return std::nullopt;
    return valueTextNumber(*text);
}

} // namespace

std::optional<std::string> ifdValueText(std::string_view tiff, TiffByteOrder order,
                                        const TiffEntry& e) {
    int size = 0;
    switch (e.type) {
    case 1:
    case 2:
    case 7:
        size = 1;
        break;
    case 3:
        size = 2;
        break;
    case 4:
        size = 4;
        break;
    default:
        return std::string();
    }
    // The entry's value field sits in the TIFF block at valuePos (positions of a TiffEntry
    // count from the start of the data it was read from, here the TIFF block).
    std::uint64_t pos = valueInField(e) ? e.valuePos : e.value;
    TiffCursor in(tiff, order);
    if (!in.holds(pos, static_cast<std::uint64_t>(size) * e.count))
        return std::nullopt;
    if (size == 1 && e.type != 1)
        return std::string(tiff.substr(static_cast<std::size_t>(pos), e.count));

    std::string text;
    text.reserve(static_cast<std::size_t>(e.count) * (size == 1 ? 4 : 2 * size + 2));
    char item[16];
    for (std::uint64_t i = 0; i < e.count; ++i) {
        std::uint32_t n = *in.number(pos + i * size, size);
        if (i > 0)
            text += ';';
        if (size == 1)
            std::snprintf(item, sizeof item, "%u", n);
        else if (size == 2)
            std::snprintf(item, sizeof item, "$%04X", n);
        else
            std::snprintf(item, sizeof item, "$%08X", n);
        text += item;
    }
    return text;
}

std::optional<std::int64_t> valueTextNumber(std::string_view text) {
    if (auto zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    std::uint64_t n = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : 99;
        if (digit >= base)
            return std::nullopt;
        n = n * base + digit;
        // Hexadecimal texts may use all 32 bits (they stand for the stored bits), decimal
        // ones only the signed range.
        if (n > (base == 16 ? 0xFFFFFFFFull : 0x80000000ull))
            return std::nullopt;
    }
    if (base == 16)
        return static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(n))) *
               (negative ? -1 : 1);
    if (!negative && n > 0x7FFFFFFFull)
        return std::nullopt;
    return negative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
}

std::optional<std::string_view> findExifThumbnail(std::string_view collected) {
    // The first APP1 payload must begin with the zero-terminated text "Exif".
    if (collected.size() < kTiffStart || collected.substr(0, 5) != std::string_view("Exif\0", 5))
        return std::nullopt;
    std::string_view tiff = collected.substr(kTiffStart);
    TiffByteOrder order =
        tiff.substr(0, 2) == "MM" ? TiffByteOrder::BigEndian : TiffByteOrder::LittleEndian;
    TiffCursor in(tiff, order);

    // IFD0 is taken to start right after the 8-byte header; its next-directory offset leads to
    // IFD1, the only directory searched.
    auto ifd0Count = in.number(8, 2);
    if (!ifd0Count)
        return std::nullopt;
    auto ifd1 = in.number(10 + kEntrySize * *ifd0Count, 4);
    if (!ifd1)
        return std::nullopt;

    auto compression = tagNumber(tiff, order, in, *ifd1, kCompressionTag);
    if (compression != kJpegCompression)
        return std::nullopt;
    auto offset = tagNumber(tiff, order, in, *ifd1, kJpegOffsetTag);
    if (!offset || *offset < 0 || static_cast<std::uint64_t>(*offset) >= tiff.size())
        return std::nullopt;
    return tiff.substr(static_cast<std::size_t>(*offset));
}

std::optional<std::string> readExifThumbnail(ByteSource& source) {
    try {
        App1Data app1 = collectApp1Data(source);
        if (auto data = findExifThumbnail(app1.collected))
            return std::string(*data);
    } catch (const ShotDateError&) {
        // A truncated APP1 segment: no usable thumbnail, the whole picture is tried instead.
    }
    return std::nullopt;
}

} // namespace pixbako
