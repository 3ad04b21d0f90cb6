// Shot dates of TIFF-based RAW pictures and of the RAW containers that hold a TIFF block or a
// JPEG preview (MRW, RAF), or keep the date in a structure of their own (CRW, X3F).
#include "engine/shotdate/FormatDates.h"

#include <vector>

namespace pixbako {
namespace {

constexpr std::uint16_t kExifPointerTag = 0x8769;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kDateTimeTag = 0x0132;
constexpr std::uint16_t kAsciiType = 2;
// A date text is 20 bytes; a longer value is read only this far.
constexpr std::uint32_t kDateTextBytes = 64;
// Real directories hold a few hundred entries at most.
constexpr std::uint16_t kMaxEntries = 4096;

std::uint32_t numberOf(std::string_view b, bool bigEndian) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const std::size_t k = bigEndian ? i : b.size() - 1 - i;
        n = n << 8 | static_cast<std::uint8_t>(b[k]);
    }
    return n;
}

class TiffBlock {
public:
    TiffBlock(FormatReader& in, std::uint64_t base) : in_(in), base_(base) {}

    // Reads the header: byte order and magic number (42, and the numbers of ORF and RW2).
    std::optional<std::uint32_t> firstDirectory() {
        auto header = in_.bytes(base_, 8);
        if (!header)
            return std::nullopt;
        if (header->compare(0, 2, "MM") == 0)
            big_ = true;
        else if (header->compare(0, 2, "II") != 0)
            return std::nullopt;
        const std::uint32_t magic = numberOf(std::string_view(*header).substr(2, 2), big_);
        if (magic != 42 && magic != 0x55 && magic != 0x4F52 && magic != 0x5352)
            return std::nullopt;
        return numberOf(std::string_view(*header).substr(4, 4), big_);
    }

    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count, value;
        std::string field; // the 4 bytes of the value field
    };

    std::optional<std::vector<Entry>> directory(std::uint32_t offset) {
        auto countBytes = in_.bytes(base_ + offset, 2);
        if (!countBytes)
            return std::nullopt;
        const std::uint32_t count = numberOf(*countBytes, big_);
        if (count == 0 || count > kMaxEntries)
            return std::nullopt;
        auto table = in_.bytes(base_ + offset + 2, count * 12ull);
        if (!table)
            return std::nullopt;
        std::vector<Entry> entries;
        std::string_view t(*table);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string_view e = t.substr(i * 12, 12);
            entries.push_back({static_cast<std::uint16_t>(numberOf(e.substr(0, 2), big_)),
                               static_cast<std::uint16_t>(numberOf(e.substr(2, 2), big_)),
                               numberOf(e.substr(4, 4), big_), numberOf(e.substr(8, 4), big_),
                               std::string(e.substr(8, 4))});
        }
        return entries;
    }

    std::optional<LocalDateTime> dateOf(const Entry& e) {
        if (e.type != kAsciiType || e.count == 0)
            return std::nullopt;
        std::string text;
        if (e.count <= 4) {
            text = e.field.substr(0, e.count);
        } else {
            auto value = in_.bytes(base_ + e.value, std::min(e.count, kDateTextBytes));
            if (!value)
                return std::nullopt;
            text = std::move(*value);
        }
        return cameraDateText(text.substr(0, text.find('\0')));
    }

private:
    FormatReader& in_;
    std::uint64_t base_;
    bool big_ = false;
};

const TiffBlock::Entry* find(const std::vector<TiffBlock::Entry>& entries, std::uint16_t tag) {
    for (const auto& e : entries)
        if (e.tag == tag)
            return &e;
    return nullptr;
}

std::optional<LocalDateTime> mrwShotDate(FormatReader& in, TDateTime now,
                                         const DateParseTexts& texts) {
    auto head = in.bytes(0, 8);
    if (!head || head->compare(0, 4, std::string_view("\0MRM", 4)) != 0)
        return std::nullopt;
    const std::uint64_t end = 8ull + numberOf(std::string_view(*head).substr(4), true);
    std::uint64_t pos = 8;
    for (int block = 0; block < 64 && pos + 8 <= end; ++block) {
        auto name = in.bytes(pos, 4);
        auto size = in.u32be(pos + 4);
        if (!name || !size)
            return std::nullopt;
        if (*name == std::string_view("\0TTW", 4))
            return tiffShotDate(in, pos + 8, now, texts);
        pos += 8ull + *size;
    }
    return std::nullopt;
}

// A JPEG inside a file, read by the JPEG walk: its bytes from start, at most length of them.
class WindowSource final : public ByteSource {
public:
    WindowSource(RandomSource& source, std::uint64_t start, std::uint64_t length)
        : source_(source), pos_(start), end_(start + length) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        if (pos_ >= end_)
            return 0;
        const std::size_t count = source_.readAt(
            pos_, dst, static_cast<std::size_t>(std::min<std::uint64_t>(n, end_ - pos_)));
        pos_ += count;
        return count;
    }
    void skip(std::uint64_t n) override { pos_ = std::min(end_, pos_ + std::min(n, end_)); }

private:
    RandomSource& source_;
    std::uint64_t pos_;
    std::uint64_t end_;
};

std::optional<LocalDateTime> rafShotDate(FormatReader& in, TDateTime now,
                                         const DateParseTexts& texts) {
    auto magic = in.bytes(0, 16);
    if (!magic || *magic != "FUJIFILMCCD-RAW ")
        return std::nullopt;
    auto offset = in.u32be(84);
    auto length = in.u32be(88);
    if (!offset || !length || *offset >= in.size())
        return std::nullopt;
    WindowSource jpeg(in.source(), *offset, *length);
    return exifShotDate(jpeg, now, texts);
}

// CIFF: a heap ends with the offset of its table; the table lists records of 10 bytes (tag,
// size, offset in the heap). Records of the two directory types are heaps themselves. The
// time stamp record holds the camera's wall-clock time as seconds since 1970.
class CiffHeaps {
public:
    CiffHeaps(FormatReader& in, bool big) : in_(in), big_(big) {}

    std::optional<LocalDateTime> search(std::uint64_t start, std::uint64_t end, int depth) {
        if (depth > 4 || end < start + 4 || ++heaps_ > 64)
            return std::nullopt;
        auto tableOffset = number(end - 4, 4);
        if (!tableOffset || *tableOffset > end - start - 2)
            return std::nullopt;
        const std::uint64_t table = start + *tableOffset;
        auto count = number(table, 2);
        if (!count || table + 2 + *count * 10ull > end)
            return std::nullopt;
        auto records = in_.bytes(table + 2, *count * 10ull);
        if (!records)
            return std::nullopt;
        for (std::uint32_t i = 0; i < *count; ++i) {
            std::string_view r = std::string_view(*records).substr(i * 10, 10);
            const std::uint32_t tag = numberOf(r.substr(0, 2), big_);
            const std::uint32_t size = numberOf(r.substr(2, 4), big_);
            const std::uint32_t offset = numberOf(r.substr(6, 4), big_);
            if ((tag & 0xC000) != 0 || offset > end - start || size > end - start - offset)
                continue; // the value stands in the record, or lies outside the heap
            const std::uint64_t at = start + offset;
            if ((tag & 0x3FFF) == 0x180E && size >= 4) {
                auto seconds = number(at, 4);
                return seconds ? wallClockOfSeconds(*seconds) : std::nullopt;
            }
            const std::uint32_t kind = tag & 0x3800;
            if (kind == 0x2800 || kind == 0x3000)
                if (auto date = search(at, at + size, depth + 1))
                    return date;
        }
        return std::nullopt;
    }

private:
    std::optional<std::uint32_t> number(std::uint64_t pos, int size) {
        auto b = in_.bytes(pos, static_cast<std::uint64_t>(size));
        return b ? std::optional<std::uint32_t>(numberOf(*b, big_)) : std::nullopt;
    }

    FormatReader& in_;
    bool big_;
    int heaps_ = 0;
};

std::optional<LocalDateTime> crwShotDate(FormatReader& in) {
    auto head = in.bytes(0, 14);
    if (!head || head->compare(6, 8, "HEAPCCDR") != 0)
        return std::nullopt;
    const bool big = head->compare(0, 2, "MM") == 0;
    if (!big && head->compare(0, 2, "II") != 0)
        return std::nullopt;
    const std::uint32_t headerLength = numberOf(std::string_view(*head).substr(2, 4), big);
    if (headerLength >= in.size())
        return std::nullopt;
    return CiffHeaps(in, big).search(headerLength, in.size(), 0);
}

// X3F: the file ends with the offset of its directory of sections; the property section holds
// pairs of UTF-16 texts, among them TIME, the camera's wall-clock time as seconds since 1970.
std::optional<std::string> utf16Text(std::string_view chars, std::uint64_t index) {
    std::string ascii;
    for (std::uint64_t at = index * 2; at + 1 < chars.size() && ascii.size() < 32; at += 2) {
        const char low = chars[at];
        if (chars[at + 1] != 0)
            return std::nullopt; // no property this reader looks for
        if (low == 0)
            return ascii;
        ascii += low;
    }
    return std::nullopt;
}

std::optional<LocalDateTime> x3fProperties(FormatReader& in, std::uint64_t pos,
                                           std::uint32_t length) {
    auto section = in.bytes(pos, std::min<std::uint32_t>(length, 1u << 20));
    if (!section || section->size() < 24 || section->compare(0, 4, "SECp") != 0)
        return std::nullopt;
    std::string_view s(*section);
    const std::uint64_t count = numberOf(s.substr(8, 4), false);
    if (24 + count * 8 > s.size())
        return std::nullopt;
    const std::string_view chars = s.substr(24 + count * 8);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::string_view pair = s.substr(24 + i * 8, 8);
        if (utf16Text(chars, numberOf(pair.substr(0, 4), false)) != "TIME")
            continue;
        auto value = utf16Text(chars, numberOf(pair.substr(4, 4), false));
        if (!value || value->empty() || value->size() > 12 ||
            value->find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return wallClockOfSeconds(std::stoll(*value));
    }
    return std::nullopt;
}

std::optional<LocalDateTime> x3fShotDate(FormatReader& in) {
    auto magic = in.bytes(0, 4);
    if (!magic || *magic != "FOVb" || in.size() < 8)
        return std::nullopt;
    auto tail = in.bytes(in.size() - 4, 4);
    if (!tail)
        return std::nullopt;
    const std::uint64_t dir = numberOf(*tail, false);
    auto head = in.bytes(dir, 12);
    if (!head || head->compare(0, 4, "SECd") != 0)
        return std::nullopt;
    const std::uint32_t count = numberOf(std::string_view(*head).substr(8, 4), false);
    if (count > 64)
        return std::nullopt;
    auto entries = in.bytes(dir + 12, count * 12ull);
    if (!entries)
        return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string_view e = std::string_view(*entries).substr(i * 12, 12);
        if (e.substr(8, 4) == "PROP")
            return x3fProperties(in, numberOf(e.substr(0, 4), false),
                                 numberOf(e.substr(4, 4), false));
    }
    return std::nullopt;
}

} // namespace

std::optional<LocalDateTime> tiffShotDate(FormatReader& in, std::uint64_t base, TDateTime,
                                          const DateParseTexts&) {
    TiffBlock tiff(in, base);
    auto first = tiff.firstDirectory();
    if (!first)
        return std::nullopt;
    auto ifd0 = tiff.directory(*first);
    if (!ifd0)
        return std::nullopt;
    if (const auto* original = find(*ifd0, kDateTimeOriginalTag))
        if (auto date = tiff.dateOf(*original))
            return date;
    if (const auto* pointer = find(*ifd0, kExifPointerTag)) {
        if (auto exif = tiff.directory(pointer->value))
            if (const auto* original = find(*exif, kDateTimeOriginalTag))
                if (auto date = tiff.dateOf(*original))
                    return date;
    }
    if (const auto* dateTime = find(*ifd0, kDateTimeTag))
        return tiff.dateOf(*dateTime);
    return std::nullopt;
}

std::optional<LocalDateTime> rawShotDate(FormatReader& in, DateReader reader, TDateTime now,
                                         const DateParseTexts& texts) {
    switch (reader) {
    case DateReader::Mrw:
        return mrwShotDate(in, now, texts);
    case DateReader::Raf:
        return rafShotDate(in, now, texts);
    case DateReader::Crw:
        return crwShotDate(in);
    case DateReader::X3f:
        return x3fShotDate(in);
    default:
        return std::nullopt;
    }
}

} // namespace pixbako
