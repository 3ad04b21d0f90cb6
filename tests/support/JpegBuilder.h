#pragma once
// Builds JPEG byte streams with EXIF blocks for tests and benchmarks, without libjpeg: the
// result has the marker structure of a camera picture (SOI, APP0, APP1 EXIF, tables, SOS,
// scan data, EOI) but its tables and scan data are filler, so it decodes to no picture.
//
//     ExifSpec exif = dateExif("2004:05:06 12:34:56");
//     JpegLayout jpeg;
//     jpeg.exif = exifPayload(exif);
//     writeTestFile(path, buildJpeg(jpeg), UnixTime{1'100'000'000, 0});
//
// Tests that need a broken file take a good one apart with ordinary string operations.
#include "platform/FileTime.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako::test {

// One directory entry. With `data` or `longs` set, they go after the directories (longs as
// 32-bit numbers in the block's byte order) and the value field holds their offset, except
// data of at most four bytes, which stand in the value field itself as TIFF stores them;
// otherwise the value field holds `value`, left-justified as TIFF stores values that fit it
// (type 1 with up to 4 values: one byte, type 3 with up to 2: 16 bits, else 32 bits).
struct IfdEntrySpec {
    IfdEntrySpec(std::uint16_t tag_, std::uint16_t type_, std::uint32_t count_,
                 std::uint32_t value_ = 0)
        : tag(tag_), type(type_), count(count_), value(value_) {}

    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;
    std::optional<std::string> data;
    std::vector<std::uint32_t> longs;
    bool exifPointer = false; // value = offset of the EXIF directory (tag 0x8769)
};

IfdEntrySpec asciiEntry(std::uint16_t tag, std::string_view text); // zero byte added
IfdEntrySpec exifPointerEntry();
// Type 5, or type 10 with signed set (the numbers are then taken as two's complement).
IfdEntrySpec rationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator,
                           bool signedValue = false);

struct ExifSpec {
    bool bigEndian = false;
    std::vector<IfdEntrySpec> ifd0;    // the first directory, in this order
    std::vector<IfdEntrySpec> exifIfd; // written when some ifd0 entry is an exif pointer
    std::size_t thumbnailBytes = 0;    // > 0: a second directory and a thumbnail-like stream
};

// A camera-like block: Make and Model in the first directory, then the EXIF pointer; exposure
// data, DateTimeOriginal (when given) and a maker note of makerNoteBytes in the EXIF directory.
ExifSpec dateExif(std::optional<std::string_view> dateTimeOriginal, bool bigEndian = false,
                  std::size_t makerNoteBytes = 0, std::size_t thumbnailBytes = 0);

std::string buildTiff(const ExifSpec& layout);
// An APP1 payload: "Exif", two zero bytes, the TIFF block.
std::string exifPayload(const ExifSpec& layout);
// A minimal XMP packet as an APP1 payload.
std::string xmpPayload();

// A marker with its 16-bit length and payload (payload up to 65533 bytes).
std::string segment(std::uint8_t code, std::string_view payload);

struct JpegLayout {
    bool jfif = true;                       // APP0 JFIF after SOI
    std::optional<std::string> xmpFirst;    // APP1 payload placed before the EXIF segment
    std::optional<std::string> exif;        // APP1 payload, see exifPayload
    std::vector<std::string> extraSegments; // whole segments (see segment) after the APP1s
    bool tables = true;                     // DQT, SOF0 and DHT segments
    bool scan = true;                       // SOS, scan data and EOI
    std::size_t scanBytes = 64;             // filler without 0xFF bytes
};

std::string buildJpeg(const JpegLayout& layout);

// A camera-like JPEG with the given DateTimeOriginal (II order unless told otherwise).
std::string cameraJpeg(std::string_view dateTimeOriginal, bool bigEndian = false);

// Writes bytes to path (replacing the file) and, when given, sets its last-write time.
// Throws std::runtime_error on failure.
void writeTestFile(const std::string& path, std::string_view bytes,
                   std::optional<UnixTime> lastWrite = std::nullopt);

} // namespace pixbako::test
