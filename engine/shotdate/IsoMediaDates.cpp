// Shot dates from files of boxes (ISO base media): QuickTime and MP4 movies, CR3 pictures and
// HEIF pictures. Box sizes are checked against their parent box before anything is read, and
// the number of boxes looked at is bounded, so a crafted size can't send the walk anywhere.
#include "engine/shotdate/FormatDates.h"
#include "platform/FileTime.h"

namespace pixbako {
namespace {

// A box: its four-letter type and where its content lies.
struct Box {
    std::string type;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

constexpr int kMaxBoxesPerLevel = 1024;
// Seconds from 1904-01-01, where movie times count from, to 1970-01-01.
constexpr std::int64_t kMovieEpochToUnix = 2082844800;
const std::string_view kCreationDateKey = "com.apple.quicktime.creationdate";
const std::string_view kCanonUuid =
    "\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48";

std::uint64_t bigEndian(std::string_view b) {
    std::uint64_t n = 0;
    for (char c : b)
        n = n << 8 | static_cast<std::uint8_t>(c);
    return n;
}

// The boxes between pos and end, in order, until `visit` returns true (then true).
template <typename Visit>
bool forEachBox(FormatReader& in, std::uint64_t pos, std::uint64_t end, Visit visit) {
    end = std::min(end, in.size());
    for (int n = 0; n < kMaxBoxesPerLevel && end >= 8 && pos <= end - 8; ++n) {
        auto head = in.bytes(pos, 8);
        if (!head)
            return false;
        std::uint64_t size = bigEndian(std::string_view(*head).substr(0, 4));
        std::uint64_t header = 8;
        if (size == 1) {
            auto large = in.bytes(pos + 8, 8);
            if (!large)
                return false;
            size = bigEndian(*large);
            header = 16;
        } else if (size == 0) {
            size = end - pos; // the box runs to the end of its parent
        }
        if (size < header || size > end - pos)
            return false;
        if (visit(Box{head->substr(4, 4), pos + header, pos + size}))
            return true;
        pos += size;
    }
    return false;
}

std::optional<Box> child(FormatReader& in, const Box& parent, std::string_view type) {
    std::optional<Box> found;
    forEachBox(in, parent.start, parent.end, [&](const Box& b) {
        if (b.type == type)
            found = b;
        return found.has_value();
    });
    return found;
}

Box wholeFile(FormatReader& in) {
    return {"", 0, in.size()};
}

// A meta box is a full box (version and flags first) in MP4 and HEIF, a plain one in QuickTime.
Box metaContent(FormatReader& in, const Box& meta) {
    auto peek = in.bytes(meta.start + 4, 4);
    Box inner = meta;
    if (!peek || *peek != "hdlr")
        inner.start = std::min(meta.end, meta.start + 4);
    return inner;
}

std::optional<LocalDateTime> movieHeaderDate(FormatReader& in, const Box& mvhd) {
    auto version = in.bytes(mvhd.start, 1);
    if (!version)
        return std::nullopt;
    const bool wide = (*version)[0] == 1;
    auto created = in.bytes(mvhd.start + 4, wide ? 8 : 4);
    if (!created || mvhd.start + 4 + created->size() > mvhd.end)
        return std::nullopt;
    const std::uint64_t seconds = bigEndian(*created);
    // Unset (0), before 1970 or after 2107: no date a camera wrote.
    constexpr std::uint64_t kEnd2107 = kMovieEpochToUnix + 4354819200ull;
    if (seconds <= static_cast<std::uint64_t>(kMovieEpochToUnix) || seconds >= kEnd2107)
        return std::nullopt;
    auto local = localDateTime({static_cast<std::int64_t>(seconds) - kMovieEpochToUnix, 0});
    if (!local)
        return std::nullopt;
    return localDateTimeOf(*local);
}

// The creation date of moov/meta: the keys box names it, the ilst box holds its value under
// the key's number.
std::optional<LocalDateTime> quickTimeCreationDate(FormatReader& in, const Box& meta) {
    const Box content = metaContent(in, meta);
    auto keys = child(in, content, "keys");
    auto ilst = child(in, content, "ilst");
    if (!keys || !ilst)
        return std::nullopt;
    auto count = in.u32be(keys->start + 4);
    if (!count)
        return std::nullopt;
    std::uint64_t pos = keys->start + 8;
    std::uint32_t index = 0;
    for (std::uint32_t k = 1; k <= *count && k <= 1024 && pos + 8 <= keys->end; ++k) {
        auto size = in.u32be(pos);
        if (!size || *size < 8 || *size > keys->end - pos)
            return std::nullopt;
        if (*size - 8 == kCreationDateKey.size()) {
            auto name = in.bytes(pos + 8, kCreationDateKey.size());
            if (name && *name == kCreationDateKey) {
                index = k;
                break;
            }
        }
        pos += *size;
    }
    if (index == 0)
        return std::nullopt;
    std::optional<LocalDateTime> date;
    forEachBox(in, ilst->start, ilst->end, [&](const Box& item) {
        if (bigEndian(item.type) != index)
            return false;
        if (auto data = child(in, item, "data"); data && data->end >= data->start + 8) {
            auto text = in.someBytes(data->start + 8,
                                     std::min<std::uint64_t>(data->end - data->start - 8, 64));
            if (text)
                date = cameraDateText(*text);
        }
        return true;
    });
    return date;
}

std::optional<LocalDateTime> movieShotDate(FormatReader& in) {
    auto moov = child(in, wholeFile(in), "moov");
    if (!moov)
        return std::nullopt;
    // A date that states its own offset is the wall-clock time the camera showed: it wins
    // over the header's UTC time.
    if (auto meta = child(in, *moov, "meta"))
        if (auto date = quickTimeCreationDate(in, *meta))
            return date;
    auto mvhd = child(in, *moov, "mvhd");
    return mvhd ? movieHeaderDate(in, *mvhd) : std::nullopt;
}

// CR3: Canon's uuid box in moov holds CMT1 (the first TIFF directory) and CMT2 (the EXIF
// directory) as TIFF blocks of their own.
std::optional<LocalDateTime> cr3ShotDate(FormatReader& in, TDateTime now,
                                         const DateParseTexts& texts) {
    auto moov = child(in, wholeFile(in), "moov");
    if (!moov)
        return std::nullopt;
    std::optional<Box> canon;
    forEachBox(in, moov->start, moov->end, [&](const Box& b) {
        if (b.type != "uuid")
            return false;
        auto uuid = in.bytes(b.start, 16);
        if (uuid && *uuid == kCanonUuid)
            canon = Box{b.type, b.start + 16, b.end};
        return canon.has_value();
    });
    if (!canon)
        return std::nullopt;
    for (std::string_view type : {"CMT2", "CMT1"})
        if (auto block = child(in, *canon, type))
            if (auto date = tiffShotDate(in, block->start, now, texts))
                return date;
    return std::nullopt;
}

// A number of `size` bytes (0, 4 or 8) of the iloc box, moving the position on.
std::optional<std::uint64_t> field(std::string_view data, std::size_t& pos, unsigned size) {
    if (size != 0 && size != 2 && size != 4 && size != 8)
        return std::nullopt;
    if (pos > data.size() || size > data.size() - pos)
        return std::nullopt;
    std::uint64_t n = bigEndian(data.substr(pos, size));
    pos += size;
    return n;
}

std::optional<std::uint32_t> exifItemId(FormatReader& in, const Box& iinf) {
    auto version = in.bytes(iinf.start, 1);
    if (!version)
        return std::nullopt;
    const std::uint64_t first = iinf.start + ((*version)[0] == 0 ? 6 : 8);
    std::optional<std::uint32_t> id;
    forEachBox(in, first, iinf.end, [&](const Box& infe) {
        if (infe.type != "infe")
            return false;
        auto head = in.bytes(infe.start, 14);
        if (!head)
            return false;
        std::string_view h(*head);
        if (h[0] == 2 && h.substr(8, 4) == "Exif")
            id = static_cast<std::uint32_t>(bigEndian(h.substr(4, 2)));
        else if (h[0] == 3 && h.substr(10, 4) == "Exif")
            id = static_cast<std::uint32_t>(bigEndian(h.substr(4, 4)));
        return id.has_value();
    });
    return id;
}

// Where the item lies in the file: its first extent, for items stored in the file itself.
std::optional<std::uint64_t> itemOffset(FormatReader& in, const Box& iloc, std::uint32_t id) {
    auto box = in.bytes(iloc.start, std::min<std::uint64_t>(iloc.end - iloc.start, 1u << 20));
    if (!box || box->size() < 8)
        return std::nullopt;
    std::string_view d(*box);
    const unsigned version = static_cast<std::uint8_t>(d[0]);
    const unsigned offsetSize = static_cast<std::uint8_t>(d[4]) >> 4;
    const unsigned lengthSize = static_cast<std::uint8_t>(d[4]) & 15;
    const unsigned baseSize = static_cast<std::uint8_t>(d[5]) >> 4;
    const unsigned indexSize = version >= 1 ? static_cast<std::uint8_t>(d[5]) & 15 : 0;
    std::size_t pos = 6;
    auto count = field(d, pos, version < 2 ? 2 : 4);
    if (!count || version > 2)
        return std::nullopt;
    for (std::uint64_t i = 0; i < *count; ++i) {
        auto itemId = field(d, pos, version < 2 ? 2 : 4);
        std::optional<std::uint64_t> method = 0;
        if (version >= 1)
            method = field(d, pos, 2);
        auto reference = field(d, pos, 2);
        auto base = field(d, pos, baseSize);
        auto extents = field(d, pos, 2);
        if (!itemId || !method || !reference || !base || !extents)
            return std::nullopt;
        // Extents of no bytes at all would let a count of 65535 per item cost time without
        // moving through the box; their offset is 0.
        const unsigned extentBytes = indexSize + offsetSize + lengthSize;
        if (*extents * extentBytes > d.size() - pos)
            return std::nullopt;
        std::optional<std::uint64_t> firstOffset;
        if (extentBytes == 0 && *extents > 0)
            firstOffset = 0;
        for (std::uint64_t e = 0; extentBytes > 0 && e < *extents; ++e) {
            auto index = field(d, pos, indexSize);
            auto offset = field(d, pos, offsetSize);
            auto length = field(d, pos, lengthSize);
            if (!index || !offset || !length)
                return std::nullopt;
            if (e == 0)
                firstOffset = offset;
        }
        if (*itemId != id)
            continue;
        // Items kept in an idat box or in another file are not looked for.
        if ((*method & 15) != 0 || *reference != 0 || !firstOffset)
            return std::nullopt;
        return *base + *firstOffset;
    }
    return std::nullopt;
}

// HEIF: the Exif item named in iinf, found through iloc; it starts with the offset of its
// TIFF header.
std::optional<LocalDateTime> heifShotDate(FormatReader& in, TDateTime now,
                                          const DateParseTexts& texts) {
    auto meta = child(in, wholeFile(in), "meta");
    if (!meta)
        return std::nullopt;
    const Box content{meta->type, std::min(meta->end, meta->start + 4), meta->end};
    auto iinf = child(in, content, "iinf");
    auto iloc = child(in, content, "iloc");
    if (!iinf || !iloc)
        return std::nullopt;
    auto id = exifItemId(in, *iinf);
    if (!id)
        return std::nullopt;
    auto offset = itemOffset(in, *iloc, *id);
    if (!offset || *offset > in.size())
        return std::nullopt;
    auto skip = in.u32be(*offset);
    if (!skip)
        return std::nullopt;
    return tiffShotDate(in, *offset + 4 + *skip, now, texts);
}

} // namespace

std::optional<LocalDateTime> isoMediaShotDate(FormatReader& in, DateReader reader, TDateTime now,
                                              const DateParseTexts& texts) {
    switch (reader) {
    case DateReader::Cr3:
        return cr3ShotDate(in, now, texts);
    case DateReader::Heif:
        return heifShotDate(in, now, texts);
    default:
        return movieShotDate(in);
    }
}

} // namespace pixbako
