#include "support/JpegBuilder.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako::test {
namespace {

class TiffWriter {
public:
    explicit TiffWriter(bool bigEndian) : bigEndian_(bigEndian) {}

    void u8(std::uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void u16(std::uint32_t v) { number(v, 2); }
    void u32(std::uint32_t v) { number(v, 4); }

    void entry(const IfdEntrySpec& e, std::uint32_t value) {
        u16(e.tag);
        u16(e.type);
        u32(e.count);
        const bool inlineByte = e.type == 1 && e.count <= 4;
        const bool inlineShort = e.type == 3 && e.count <= 2;
        if (e.data && e.data->size() <= 4) {
            // Data that fit the value field stand in it, as TIFF stores every short value.
            bytes += *e.data;
            bytes.append(4 - e.data->size(), '\0');
        } else if (e.data || !e.longs.empty() || e.exifPointer || !(inlineByte || inlineShort)) {
            u32(value);
        } else if (inlineByte) {
            u8(static_cast<std::uint8_t>(value));
            bytes.append(3, '\0');
        } else {
            u16(value);
            u16(0);
        }
    }

    std::string bytes;

private:
    void number(std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i) {
            int shift = bigEndian_ ? 8 * (size - 1 - i) : 8 * i;
            u8(static_cast<std::uint8_t>(v >> shift));
        }
    }
    bool bigEndian_;
};

std::uint32_t directorySize(std::size_t entries) {
    return static_cast<std::uint32_t>(2 + 12 * entries + 4);
}

bool hasExifPointer(const ExifSpec& layout) {
    for (const auto& e : layout.ifd0)
        if (e.exifPointer)
            return true;
    return false;
}

// Filler that looks like compressed data: no 0xFF byte, so no marker appears inside it.
std::string filler(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    for (auto& c : out) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>((seed >> 16) % 255);
    }
    return out;
}

} // namespace

IfdEntrySpec asciiEntry(std::uint16_t tag, std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    IfdEntrySpec e{tag, 2, static_cast<std::uint32_t>(data.size())};
    e.data = data;
    return e;
}

IfdEntrySpec exifPointerEntry() {
    IfdEntrySpec e{0x8769, 4, 1};
    e.exifPointer = true;
    return e;
}

IfdEntrySpec rationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator,
                           bool signedValue) {
    IfdEntrySpec e{tag, static_cast<std::uint16_t>(signedValue ? 10 : 5), 1};
    e.longs = {numerator, denominator};
    return e;
}

ExifSpec dateExif(std::optional<std::string_view> dateTimeOriginal, bool bigEndian,
                  std::size_t makerNoteBytes, std::size_t thumbnailBytes) {
    ExifSpec layout;
    layout.bigEndian = bigEndian;
    layout.thumbnailBytes = thumbnailBytes;
    layout.ifd0 = {asciiEntry(0x010F, "PIXBAKO"), asciiEntry(0x0110, "TEST CAMERA"),
                   IfdEntrySpec{0x0112, 3, 1, 1}, // Orientation
                   exifPointerEntry()};
    layout.exifIfd = {rationalEntry(0x829A, 1, 125), rationalEntry(0x829D, 28, 10)};
    if (dateTimeOriginal)
        layout.exifIfd.push_back(asciiEntry(0x9003, *dateTimeOriginal));
    layout.exifIfd.push_back(asciiEntry(0x9004, dateTimeOriginal.value_or("2001:01:01 00:00:00")));
    if (makerNoteBytes > 0) {
        IfdEntrySpec note{0x927C, 7, static_cast<std::uint32_t>(makerNoteBytes)};
        note.data = filler(makerNoteBytes, 7);
        layout.exifIfd.push_back(note);
    }
    return layout;
}

std::string buildTiff(const ExifSpec& layout) {
    const bool withExif = hasExifPointer(layout);
    const bool withThumb = layout.thumbnailBytes > 0;
    const std::uint32_t ifd0At = 8;
    const std::uint32_t exifAt = ifd0At + directorySize(layout.ifd0.size());
    const std::uint32_t ifd1At = exifAt + (withExif ? directorySize(layout.exifIfd.size()) : 0);
    const std::uint32_t dataAt = ifd1At + (withThumb ? directorySize(2) : 0);

    // Data area: every entry's data in directory order, each at an even offset.
    TiffWriter area(layout.bigEndian);
    auto place = [&](const IfdEntrySpec& e) -> std::uint32_t {
        if ((!e.data && e.longs.empty()) || (e.data && e.data->size() <= 4))
            return e.value;
        if (area.bytes.size() % 2)
            area.u8(0);
        auto at = static_cast<std::uint32_t>(dataAt + area.bytes.size());
        if (e.data)
            area.bytes += *e.data;
        for (std::uint32_t v : e.longs)
            area.u32(v);
        return at;
    };

    TiffWriter w(layout.bigEndian);
    w.bytes = layout.bigEndian ? std::string("MM\0\x2A", 4) : std::string("II\x2A\0", 4);
    w.u32(ifd0At);
    w.u16(static_cast<std::uint32_t>(layout.ifd0.size()));
    for (const auto& e : layout.ifd0)
        w.entry(e, e.exifPointer ? exifAt : place(e));
    w.u32(withThumb ? ifd1At : 0);
    if (withExif) {
        w.u16(static_cast<std::uint32_t>(layout.exifIfd.size()));
        for (const auto& e : layout.exifIfd)
            w.entry(e, place(e));
        w.u32(0);
    }
    if (withThumb) {
        std::string thumb = "\xFF\xD8";
        thumb += filler(layout.thumbnailBytes, 3);
        thumb += "\xFF\xD9";
        IfdEntrySpec offset{0x0201, 4, 1};
        offset.data = thumb;
        IfdEntrySpec length{0x0202, 4, 1, static_cast<std::uint32_t>(thumb.size())};
        w.u16(2);
        w.entry(offset, place(offset));
        w.entry(length, length.value);
        w.u32(0);
    }
    return w.bytes + area.bytes;
}

std::string exifPayload(const ExifSpec& layout) {
    return std::string("Exif\0\0", 6) + buildTiff(layout);
}

std::string xmpPayload() {
    return std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/"
           "02/22-rdf-syntax-ns#\"/></x:xmpmeta>";
}

std::string segment(std::uint8_t code, std::string_view payload) {
    if (payload.size() > 65533)
        throw std::invalid_argument("JPEG segment payload too long");
    std::size_t length = payload.size() + 2;
    std::string out = {'\xFF', static_cast<char>(code), static_cast<char>(length >> 8),
                       static_cast<char>(length & 0xFF)};
    return out + std::string(payload);
}

std::string buildJpeg(const JpegLayout& layout) {
    std::string out = "\xFF\xD8";
    if (layout.jfif)
        out += segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    if (layout.xmpFirst)
        out += segment(0xE1, *layout.xmpFirst);
    if (layout.exif)
        out += segment(0xE1, *layout.exif);
    for (const auto& s : layout.extraSegments)
        out += s;
    if (layout.tables) {
        out += segment(0xDB, std::string(1, '\0') + filler(64, 11)); // DQT
        out += segment(0xC0, std::string("\x08\x01\xE0\x02\x80\x03\x01\x22\x00\x02\x11\x01"
                                         "\x03\x11\x01",
                                         15));                       // SOF0 640x480
        out += segment(0xC4, std::string(1, '\0') + filler(28, 13)); // DHT
    }
    if (layout.scan) {
        out += segment(0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
        out += filler(layout.scanBytes, 17);
        out += "\xFF\xD9";
    }
    return out;
}

std::string cameraJpeg(std::string_view dateTimeOriginal, bool bigEndian) {
    JpegLayout jpeg;
    jpeg.exif = exifPayload(dateExif(dateTimeOriginal, bigEndian));
    return buildJpeg(jpeg);
}

void writeTestFile(const std::string& path, std::string_view bytes,
                   std::optional<UnixTime> lastWrite) {
    // Messages are appended, not concatenated: "literal" + std::string trips GCC 12 at -O3.
    auto failure = [&](const char* what) {
        return std::runtime_error(std::string(what).append(path));
    };
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw failure("can't create ");
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            ::close(fd);
            throw failure("can't write ");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        throw failure("can't write ");
    if (!lastWrite)
        return;
    timespec times[2] = {
        {static_cast<time_t>(lastWrite->seconds), static_cast<long>(lastWrite->nanoseconds)},
        {static_cast<time_t>(lastWrite->seconds), static_cast<long>(lastWrite->nanoseconds)}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw failure("can't set the time of ");
}

} // namespace pixbako::test
