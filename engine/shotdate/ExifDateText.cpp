// Finding DateTimeOriginal in the collected APP1 data: EXIF header, TIFF header, the first
// directory up to its EXIF pointer, and every entry of the EXIF directory.
#include "engine/shotdate/ShotDate.h"
#include "engine/shotdate/TiffCursor.h"
#include "platform/AsciiCase.h"

#include <array>
#include <charconv>

namespace pixbako {
namespace {

// TIFF offsets count from the TIFF header, which follows "Exif", 0 and one more byte.
constexpr std::uint64_t kTiffStart = 6;
constexpr std::uint16_t kExifPointerTag = 0x8769;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint64_t kEntrySize = TiffCursor::kEntrySize;

// The shot-date reader's view of the cursor: an entry or entry count outside the data is a read
// error of the file.
class TiffReader : public TiffCursor {
public:
    using TiffCursor::TiffCursor;

    TiffEntry entry(std::uint64_t pos) const {
        auto e = TiffCursor::entry(pos);
        if (!e)
            throw ShotDateError::readError();
        return *e;
    }

    std::uint16_t entryCount(std::uint64_t pos) const {
        auto count = u16(pos);
        if (!count)
            throw ShotDateError::readError();
        return *count;
    }
};

bool startsWithExifHeader(std::string_view data) {
    return data.size() >= 5 && data[4] == '\0' && startsWithIgnoringAsciiCase(data, "exif");
}

std::optional<TiffByteOrder> tiffByteOrder(std::string_view data) {
    if (data.size() < kTiffStart + 8)
        return std::nullopt;
    std::string_view header = data.substr(kTiffStart, 4);
    if (header == std::string_view("II\x2A\x00", 4))
        return TiffByteOrder::LittleEndian;
    if (header == std::string_view("MM\x00\x2A", 4))
        return TiffByteOrder::BigEndian;
    return std::nullopt;
}

template <typename T> std::string decimal(T value) {
    std::array<char, 32> text{};
    auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? std::string(text.data(), end) : std::string();
}

// The quotient with 15 significant digits, the precision of a general float-to-text.
std::string quotient(double numerator, double denominator) {
    if (denominator == 0)
        return {}; // no value: the date reading then falls back to the file time
    std::array<char, 40> text{};
    auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), numerator / denominator,
                                   std::chars_format::general, 15);
    return ec == std::errc() ? std::string(text.data(), end) : std::string();
}

} // namespace

std::string tagValueText(std::string_view collected, TiffByteOrder order, const TiffEntry& e) {
    TiffReader in(collected, order);
    if (e.type == 2) {
        // ASCII of at most four bytes (three characters and the zero byte) stands in the value
        // field itself, as every value that fits it does; it ends at its zero byte or with the
        // field.
        if (e.count <= 4) {
            if (!in.holds(e.valuePos, e.count))
                return {};
            std::string_view field = collected.substr(e.valuePos, e.count);
            return std::string(field.substr(0, field.find('\0')));
        }
        // Longer ASCII: the text at the offset, up to its zero byte. Without a zero byte inside
        // the data the value is taken as missing rather than cut short.
        std::uint64_t start = e.value + kTiffStart;
        if (start >= collected.size())
            return {};
        std::size_t zero = collected.find('\0', static_cast<std::size_t>(start));
        if (zero == std::string_view::npos)
            return {};
        return std::string(collected.substr(static_cast<std::size_t>(start), zero - start));
    }

    std::uint64_t size = 0;
    switch (e.type) {
    case 1:
        size = 1;
        break;
    case 3:
        size = 2;
        break;
    case 4:
    case 9:
        size = 4;
        break;
    case 5:
    case 10:
        size = 8;
        break;
    default:
        return {};
    }
    if (e.count == 0)
        return {};
    // Values that fit the 4-byte value field stand in it; larger ones lie at its offset.
    // Only the first value of the entry counts.
    std::uint64_t pos = size * e.count <= 4 ? e.valuePos : e.value + kTiffStart;
    if (!in.holds(pos, size))
        return {};
    switch (e.type) {
    case 1:
        return decimal(*in.u8(pos));
    case 3:
        return decimal(*in.u16(pos));
    case 4:
        return decimal(*in.u32(pos));
    case 9:
        return decimal(static_cast<std::int32_t>(*in.u32(pos)));
    case 5:
        return quotient(*in.u32(pos), *in.u32(pos + 4));
    default: // 10
        return quotient(static_cast<std::int32_t>(*in.u32(pos)),
                        static_cast<std::int32_t>(*in.u32(pos + 4)));
    }
}

std::string findExifDateText(std::string_view collected) {
    if (!startsWithExifHeader(collected))
        return {};
    auto order = tiffByteOrder(collected);
    if (!order)
        return {};
    TiffReader in(collected, *order);

    std::uint64_t firstDir = *in.u32(kTiffStart + 4) + kTiffStart;
    std::uint16_t entries = in.entryCount(firstDir);
    for (std::uint64_t i = 0; i < entries; ++i) {
        TiffEntry pointer = in.entry(firstDir + 2 + i * kEntrySize);
        if (pointer.tag != kExifPointerTag)
            continue;
        // Only this directory is searched; every entry of it is read, and the last
        // DateTimeOriginal wins. Its value is turned into text once, after the loop: that
        // can't fail, and a crafted directory of many entries pointing at long texts would
        // otherwise cost time in proportion to their product.
        std::uint64_t exifDir = pointer.value + kTiffStart;
        std::uint16_t exifEntries = in.entryCount(exifDir);
        std::optional<TiffEntry> date;
        for (std::uint64_t j = 0; j < exifEntries; ++j) {
            TiffEntry e = in.entry(exifDir + 2 + j * kEntrySize);
            if (e.tag == kDateTimeOriginalTag)
                date = e;
        }
        return date ? tagValueText(collected, *order, *date) : std::string();
    }
    return {};
}

} // namespace pixbako
