#include "engine/thumbnail/RawTestFiles.h"

#include <cstdint>
#include <vector>

namespace pixbako::test {
namespace {

// The start of a raw data stream in lossless JPEG (SOF3): not decodable by the thumbnailer.
const std::string kLosslessRaw =
    std::string("\xFF\xD8\xFF\xC3\x00\x0B\x0C\x0F\xA0\x17\x70\x01\x01\x11\x00", 15) +
    std::string(64, '\x5A');

class Writer {
public:
    explicit Writer(bool big) : big_(big) {}
    void n(std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
            bytes += static_cast<char>(value >> shift & 0xFF);
        }
    }
    // One directory entry; SHORT values stand left-justified in the value field.
    void entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        n(tag, 2);
        n(type, 2);
        n(count, 4);
        if (type == 3) {
            n(value, 2);
            n(0, 2);
        } else {
            n(value, 4);
        }
    }
    std::string bytes;

private:
    bool big_;
};

std::string header(bool big, std::uint16_t magic) {
    Writer w(big);
    w.n(big ? 0x4D4D : 0x4949, 2); // "MM" or "II"
    w.n(magic, 2);
    w.n(8, 4);
    return w.bytes;
}

} // namespace

std::string tiffRaw(bool bigEndian, const std::string& small, const std::string& large) {
    Writer w(bigEndian);
    w.bytes = header(bigEndian, 42);
    const std::uint32_t ifd0 = 8, subArray = ifd0 + 2 + 4 * 12 + 4, subA = subArray + 8,
                        subB = subA + 2 + 3 * 12 + 4, data = subB + 2 + 3 * 12 + 4;
    const std::uint32_t smallAt = data, largeAt = data + static_cast<std::uint32_t>(small.size()),
                        rawAt = largeAt + static_cast<std::uint32_t>(large.size());
    w.n(4, 2);
    w.entry(0x0103, 3, 1, 6);
    w.entry(0x014A, 4, 2, subArray);
    w.entry(0x0201, 4, 1, smallAt);
    w.entry(0x0202, 4, 1, static_cast<std::uint32_t>(small.size()));
    w.n(0, 4);
    w.n(subA, 4);
    w.n(subB, 4);
    w.n(3, 2);
    w.entry(0x0103, 3, 1, 6);
    w.entry(0x0111, 4, 1, largeAt);
    w.entry(0x0117, 4, 1, static_cast<std::uint32_t>(large.size()));
    w.n(0, 4);
    w.n(3, 2);
    w.entry(0x0103, 3, 1, 7);
    w.entry(0x0111, 4, 1, rawAt);
    w.entry(0x0117, 4, 1, static_cast<std::uint32_t>(kLosslessRaw.size()));
    w.n(0, 4);
    return w.bytes + small + large + kLosslessRaw;
}

std::string rw2Raw(const std::string& preview) {
    Writer w(false);
    w.bytes = header(false, 0x55);
    w.n(1, 2);
    w.entry(0x002E, 7, static_cast<std::uint32_t>(preview.size()), 8 + 2 + 12 + 4);
    w.n(0, 4);
    return w.bytes + preview + kLosslessRaw;
}

std::string rafRaw(const std::string& preview) {
    std::string bytes = "FUJIFILMCCD-RAW 0201FF383501";
    bytes.resize(84, '\0');
    Writer w(true);
    w.n(100, 4);
    w.n(static_cast<std::uint32_t>(preview.size()), 4);
    bytes += w.bytes;
    bytes.resize(100, '\0');
    return bytes + preview + kLosslessRaw;
}

std::string cr3Raw(const std::string& thumbnail, const std::string& preview) {
    auto box = [](const std::string& type, const std::string& payload) {
        Writer w(true);
        w.n(static_cast<std::uint32_t>(8 + payload.size()), 4);
        return w.bytes + type + payload;
    };
    // Both image boxes: 16 bytes of fields after their header, the JPEG's length among them.
    auto image = [&](const std::string& type, const std::string& jpeg, int lengthAt) {
        Writer w(true);
        w.bytes.assign(16, '\0');
        Writer length(true);
        length.n(static_cast<std::uint32_t>(jpeg.size()), 4);
        w.bytes.replace(lengthAt - 8, 4, length.bytes);
        return box(type, w.bytes + jpeg);
    };
    const std::string metadataUuid(
        "\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16);
    const std::string previewUuid(
        "\xea\xf4\x2b\x5e\x1c\x98\x4b\x88\xb9\xfb\xb7\xdc\x40\x6e\x4d\x16", 16);
    std::string ftyp = box("ftyp", std::string("crx \0\0\0\1crx isom", 16));
    std::string moov =
        box("moov", box("uuid", metadataUuid + box("CNCV", "CanonCR3_001/00.09.00/00.00.00") +
                                    image("THMB", thumbnail, 16)));
    std::string prvw = box("uuid", previewUuid + std::string(8, '\0') + image("PRVW", preview, 20));
    return ftyp + moov + prvw + box("mdat", kLosslessRaw);
}

} // namespace pixbako::test
