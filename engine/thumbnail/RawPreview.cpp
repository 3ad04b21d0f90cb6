// Locating the JPEG previews of RAW files.
#include "engine/thumbnail/RawPreview.h"

#include "engine/thumbnail/ExifThumbnail.h"
#include "engine/thumbnail/JpegCodec.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <sys/stat.h>

namespace pixbako {
namespace {

// Far above what cameras write; they keep crafted files from costing time and memory.
constexpr int kMaxDirectories = 64;
constexpr int kMaxDepth = 4;
constexpr std::uint32_t kMaxEntries = 1024;
constexpr std::uint32_t kMaxSubDirectories = 16;
constexpr int kMaxBoxes = 256;
constexpr int kMaxMarkers = 512;
constexpr std::uint64_t kMaxPreviewBytes = 64ull * 1024 * 1024;
// A camera writes a handful of previews. A file naming thousands makes each of them a probe and
// a failed decode: only the first ranges are looked at, and a few decodes are tried.
constexpr std::size_t kMaxCandidateRanges = 64;
constexpr int kMaxDecodeAttempts = 3;
constexpr std::uint64_t kMaxDecodedBytes = 128ull * 1024 * 1024;
// Cameras write previews of 160 pixels and more; a JPEG of a few pixels is a placeholder (as in
// files stripped of their pictures), not the picture, and would show as a flat block.
constexpr int kMinPreviewSide = 64;

std::uint32_t bigEndian(std::string_view bytes, std::size_t pos, int size) {
    std::uint32_t n = 0;
    for (int i = 0; i < size; ++i)
        n = n << 8 | static_cast<std::uint8_t>(bytes[pos + i]);
    return n;
}

class FileAccess final : public RandomAccess {
public:
    explicit FileAccess(const std::string& path) {
        struct stat st {};
        fd_ = UniqueFd(openPlainFileForReading(path, &st));
        size_ = fd_ ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    bool isOpen() const { return static_cast<bool>(fd_); }
    std::uint64_t size() const override { return size_; }
    std::optional<std::string> read(std::uint64_t pos, std::size_t n) const override {
        if (pos > size_ || n > size_ - pos)
            return std::nullopt;
        std::string bytes(n, '\0');
        std::size_t got = 0;
        while (got < n) {
            long count =
                readSomeAt(fd_.get(), bytes.data() + got, n - got, static_cast<off_t>(pos + got));
            if (count <= 0)
                return std::nullopt;
            got += static_cast<std::size_t>(count);
        }
        return bytes;
    }

private:
    UniqueFd fd_;
    std::uint64_t size_ = 0;
};

struct Range {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

// The directories of a TIFF block that starts at `base`, with the JPEG ranges they name.
class TiffWalk {
public:
    TiffWalk(const RandomAccess& file, std::uint64_t base, bool big)
        : file_(file), base_(base), big_(big) {}

    void directory(std::uint64_t offset, int depth) {
        if (depth > kMaxDepth || ++directories_ > kMaxDirectories ||
            !visited_.insert(offset).second)
            return;
        auto head = file_.read(base_ + offset, 2);
        if (!head)
            return;
        std::uint32_t count = std::min(number(*head, 0, 2), kMaxEntries);
        auto entries = file_.read(base_ + offset + 2, 12 * count + 4);
        if (!entries)
            return;
        std::uint32_t compression = 0, jpegOffset = 0, jpegLength = 0;
        std::optional<std::uint64_t> stripOffset, stripLength;
        std::vector<std::uint32_t> subDirectories;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t e = 12 * i;
            const std::uint32_t tag = number(*entries, e, 2);
            const std::uint32_t type = number(*entries, e + 2, 2);
            const std::uint32_t n = number(*entries, e + 4, 4);
            const std::uint32_t value = scalar(*entries, e + 8, type);
            switch (tag) {
            case 0x0103:
                compression = value;
                break;
            case 0x0111:
                if (n == 1)
                    stripOffset = value;
                break;
            case 0x0117:
                if (n == 1)
                    stripLength = value;
                break;
            case 0x0201:
                jpegOffset = value;
                break;
            case 0x0202:
                jpegLength = value;
                break;
            case 0x002E: // a whole JPEG stored as the tag's bytes
                if (type == 7 && n > 4)
                    ranges.push_back({base_ + number(*entries, e + 8, 4), n});
                break;
            case 0x014A:
                subDirectories = longs(*entries, e, type, n);
                break;
            default:
                break;
            }
        }
        if (jpegOffset > 0 && jpegLength > 0)
            ranges.push_back({base_ + jpegOffset, jpegLength});
        if ((compression == 6 || compression == 7) && stripOffset && stripLength)
            ranges.push_back({base_ + *stripOffset, *stripLength});
        for (std::uint32_t sub : subDirectories)
            directory(sub, depth + 1);
        if (std::uint32_t next = number(*entries, 12 * count, 4); next != 0)
            directory(next, depth);
    }

    std::vector<Range> ranges;

private:
    std::uint32_t number(std::string_view bytes, std::size_t pos, int size) const {
        if (big_)
            return bigEndian(bytes, pos, size);
        std::uint32_t n = 0;
        for (int i = size - 1; i >= 0; --i)
            n = n << 8 | static_cast<std::uint8_t>(bytes[pos + i]);
        return n;
    }
    // A SHORT or LONG that stands in the value field.
    std::uint32_t scalar(std::string_view bytes, std::size_t pos, std::uint32_t type) const {
        return type == 3 ? number(bytes, pos, 2) : number(bytes, pos, 4);
    }
    // The offsets of a SubIFDs entry (LONG or IFD type), in the field or where it points.
    std::vector<std::uint32_t> longs(std::string_view entries, std::size_t e, std::uint32_t type,
                                     std::uint32_t n) const {
        std::vector<std::uint32_t> values;
        if ((type != 4 && type != 13) || n == 0)
            return values;
        n = std::min(n, kMaxSubDirectories);
        if (n == 1)
            return {number(entries, e + 8, 4)};
        auto bytes = file_.read(base_ + number(entries, e + 8, 4), 4 * n);
        if (bytes)
            for (std::uint32_t i = 0; i < n; ++i)
                values.push_back(number(*bytes, 4 * i, 4));
        return values;
    }

    const RandomAccess& file_;
    std::uint64_t base_;
    bool big_;
    std::set<std::uint64_t> visited_;
    int directories_ = 0;
};

std::vector<Range> tiffRanges(const RandomAccess& file, std::string_view head) {
    if (head.size() < 8)
        return {};
    const bool big = head.substr(0, 2) == "MM";
    if (!big && head.substr(0, 2) != "II")
        return {};
    TiffWalk walk(file, 0, big);
    auto number = [&](std::size_t pos, int size) {
        std::uint32_t n = bigEndian(head, pos, size);
        return big ? n : size == 2 ? (n >> 8 | (n & 0xFF) << 8) : __builtin_bswap32(n);
    };
    // 42 for TIFF; Panasonic and Olympus write their own magic numbers.
    const std::uint32_t magic = number(2, 2);
    if (magic != 42 && magic != 0x55 && magic != 0x4F52 && magic != 0x5352)
        return {};
    walk.directory(number(4, 4), 0);
    return walk.ranges;
}

std::vector<Range> rafRanges(const RandomAccess& file) {
    auto header = file.read(84, 8);
    if (!header)
        return {};
    return {{bigEndian(*header, 0, 4), bigEndian(*header, 4, 4)}};
}

struct Box {
    std::string type;
    std::uint64_t start = 0;   // the box's first byte
    std::uint64_t payload = 0; // after its header
    std::uint64_t end = 0;
};

// The boxes between start and end, each clipped to its parent.
std::vector<Box> boxes(const RandomAccess& file, std::uint64_t start, std::uint64_t end) {
    std::vector<Box> found;
    std::uint64_t pos = start;
    while (pos + 8 <= end && found.size() < kMaxBoxes) {
        auto header = file.read(pos, 8);
        if (!header)
            break;
        std::uint64_t size = bigEndian(*header, 0, 4);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            auto large = file.read(pos + 8, 8);
            if (!large)
                break;
            size = std::uint64_t{bigEndian(*large, 0, 4)} << 32 | bigEndian(*large, 4, 4);
            headerSize = 16;
        } else if (size == 0) {
            size = end - pos;
        }
        if (size < headerSize)
            break;
        const std::uint64_t boxEnd = size > end - pos ? end : pos + size;
        found.push_back({header->substr(4, 4), pos, pos + headerSize, boxEnd});
        pos = boxEnd;
    }
    return found;
}

bool hasUuid(const RandomAccess& file, const Box& box, std::string_view uuid) {
    auto bytes = file.read(box.payload, 16);
    return bytes && *bytes == uuid;
}

// The JPEG of a PRVW or THMB box: its length at +16 (THMB) or +20 (PRVW), data at +24.
std::optional<Range> canonImage(const RandomAccess& file, const Box& box, int lengthAt) {
    auto head = file.read(box.start, 24);
    if (!head || box.start + 24 > box.end)
        return std::nullopt;
    const std::uint64_t length = bigEndian(*head, lengthAt, 4);
    return Range{box.start + 24, std::min<std::uint64_t>(length, box.end - (box.start + 24))};
}

std::vector<Range> cr3Ranges(const RandomAccess& file) {
    static const std::string metadataUuid(
        "\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16);
    static const std::string previewUuid(
        "\xea\xf4\x2b\x5e\x1c\x98\x4b\x88\xb9\xfb\xb7\xdc\x40\x6e\x4d\x16", 16);
    std::vector<Range> ranges;
    for (const Box& top : boxes(file, 0, file.size())) {
        if (top.type == "moov") {
            for (const Box& box : boxes(file, top.payload, top.end))
                if (box.type == "uuid" && hasUuid(file, box, metadataUuid))
                    for (const Box& item : boxes(file, box.payload + 16, box.end))
                        if (item.type == "THMB")
                            if (auto range = canonImage(file, item, 16))
                                ranges.push_back(*range);
        } else if (top.type == "uuid" && hasUuid(file, top, previewUuid)) {
            // The preview box follows the uuid and 8 bytes of its own.
            for (const Box& item : boxes(file, top.payload + 24, top.end))
                if (item.type == "PRVW")
                    if (auto range = canonImage(file, item, 20))
                        ranges.push_back(*range);
        }
    }
    return ranges;
}

// Walks the JPEG's markers up to its frame header. A usable frame gives a preview; the first
// APP1 "Exif" segment may give the EXIF thumbnail's range.
std::optional<PreviewJpeg> probeJpeg(const RandomAccess& file, Range range,
                                     std::optional<Range>* exifThumbnail) {
    const std::uint64_t end = range.offset + range.length;
    auto soi = file.read(range.offset, 2);
    if (!soi || *soi != "\xFF\xD8" || range.length < 4)
        return std::nullopt;
    std::uint64_t pos = range.offset + 2;
    bool app1Seen = false;
    for (int i = 0; i < kMaxMarkers && pos + 4 <= end; ++i) {
        auto marker = file.read(pos, 4);
        if (!marker || static_cast<std::uint8_t>((*marker)[0]) != 0xFF)
            return std::nullopt;
        const std::uint8_t code = static_cast<std::uint8_t>((*marker)[1]);
        if (code == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        const std::uint32_t length = bigEndian(*marker, 2, 2);
        if (code == 0xDA || code == 0xD9 || length < 2)
            return std::nullopt;
        if (code == 0xC0 || code == 0xC1 || code == 0xC2) {
            auto frame = file.read(pos + 4, 6);
            if (!frame || (*frame)[0] != 8)
                return std::nullopt;
            const int height = static_cast<int>(bigEndian(*frame, 1, 2));
            const int width = static_cast<int>(bigEndian(*frame, 3, 2));
            const int components = static_cast<std::uint8_t>((*frame)[5]);
            if (std::max(width, height) < kMinPreviewSide || (components != 1 && components != 3))
                return std::nullopt;
            return PreviewJpeg{range.offset, range.length, width, height};
        }
        if ((code & 0xF0) == 0xC0 && code != 0xC4 && code != 0xC8 && code != 0xCC)
            return std::nullopt; // lossless or arithmetic coding: raw data, not a preview
        if (code == 0xE1 && !app1Seen && exifThumbnail) {
            app1Seen = true;
            if (auto payload = file.read(pos + 4, length - 2))
                if (auto thumbnail = findExifThumbnail(*payload)) {
                    const std::uint64_t at = pos + 4 + (thumbnail->data() - payload->data());
                    *exifThumbnail = Range{at, thumbnail->size()};
                }
        }
        pos += 2 + length;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> MemoryAccess::read(std::uint64_t pos, std::size_t n) const {
    if (pos > bytes_.size() || n > bytes_.size() - pos)
        return std::nullopt;
    return bytes_.substr(pos, n);
}

std::vector<PreviewJpeg> findRawPreviews(const RandomAccess& file) {
    auto head = file.read(0, std::min<std::uint64_t>(file.size(), 16));
    if (!head)
        return {};
    std::vector<Range> ranges;
    if (head->starts_with("FUJIFILMCCD-RAW "))
        ranges = rafRanges(file);
    else if (head->size() >= 12 && head->substr(4, 8) == "ftypcrx ")
        ranges = cr3Ranges(file);
    else
        ranges = tiffRanges(file, *head);

    std::vector<PreviewJpeg> previews;
    auto add = [&](Range range, std::optional<Range>* exif) {
        if (range.offset >= file.size() || range.length == 0)
            return;
        range.length = std::min(range.length, file.size() - range.offset);
        auto seen = [&](const PreviewJpeg& p) { return p.offset == range.offset; };
        if (std::any_of(previews.begin(), previews.end(), seen))
            return;
        if (auto preview = probeJpeg(file, range, exif))
            previews.push_back(*preview);
    };
    if (ranges.size() > kMaxCandidateRanges)
        ranges.resize(kMaxCandidateRanges);
    for (Range range : ranges) {
        std::optional<Range> exif;
        add(range, &exif);
        if (exif)
            add(*exif, nullptr);
    }
    std::sort(previews.begin(), previews.end(),
              [](const PreviewJpeg& a, const PreviewJpeg& b) { return a.offset < b.offset; });
    return previews;
}

std::optional<PreviewJpeg> choosePreview(const std::vector<PreviewJpeg>& previews,
                                         int thumbnailSize) {
    auto longer = [](const PreviewJpeg& p) { return std::max(p.width, p.height); };
    std::optional<PreviewJpeg> best;
    for (const PreviewJpeg& p : previews) {
        if (!best) {
            best = p;
            continue;
        }
        const bool enough = longer(p) >= thumbnailSize;
        const bool bestEnough = longer(*best) >= thumbnailSize;
        if ((enough && (!bestEnough || longer(p) < longer(*best))) ||
            (!enough && !bestEnough && longer(p) > longer(*best)))
            best = p;
    }
    return best;
}

std::optional<DecodedPicture> decodeRawPreview(const RandomAccess& file, int thumbnailSize) {
    std::vector<PreviewJpeg> previews = findRawPreviews(file);
    std::uint64_t decodedBytes = 0;
    for (int attempt = 0; attempt < kMaxDecodeAttempts; ++attempt) {
        const auto chosen = choosePreview(previews, thumbnailSize);
        if (!chosen)
            break;
        if (chosen->length <= kMaxPreviewBytes &&
            decodedBytes + chosen->length <= kMaxDecodedBytes) {
            decodedBytes += chosen->length;
            if (auto bytes = file.read(chosen->offset, chosen->length))
                if (auto picture = decodeJpeg(*bytes, thumbnailSize))
                    return picture;
        }
        std::erase(previews, *chosen);
    }
    return std::nullopt;
}

std::optional<DecodedPicture> readRawPicture(const std::string& path, int thumbnailSize) {
    FileAccess file(path);
    if (!file.isOpen())
        return std::nullopt;
    return decodeRawPreview(file, thumbnailSize);
}

const std::vector<std::string>& rawExtensions() {
    static const std::vector<std::string> extensions{".cr2", ".cr3", ".nef", ".nrw", ".arw",
                                                     ".sr2", ".dng", ".orf", ".rw2", ".pef",
                                                     ".srw", ".iiq", ".3fr", ".erf", ".raf"};
    return extensions;
}

} // namespace pixbako
