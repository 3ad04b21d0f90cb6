#pragma once
// Finds the JPEG previews that cameras embed in their RAW files and picks the one to make a
// thumbnail from; the raw sensor data are never decoded.
//
// Containers: TIFF-based RAW (CR2, NEF, NRW, ARW, SR2, DNG, ORF, RW2, PEF, SRW, IIQ, 3FR, ERF:
// JPEGInterchangeFormat/Length of every directory, single strips with compression 6 or 7,
// sub-directories, and the JPEG of tag 0x2E that some cameras put in IFD0), RAF (the JPEG at
// the offset the header gives) and CR3 (the PRVW box of the preview uuid box, the THMB box of
// the metadata uuid box). A preview's own EXIF thumbnail is one more candidate.
//
// Every read goes through RandomAccess, which checks each range against the file's size, and
// every count and offset is bounded: a hostile file ends in "no preview", never in a read
// beyond its end.
#include "engine/thumbnail/RgbImage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

// Bounded reads of a file or a buffer.
class RandomAccess {
public:
    virtual ~RandomAccess() = default;
    virtual std::uint64_t size() const = 0;
    // The `n` bytes at `pos`, or nullopt when any of them lies beyond the end or can't be read.
    virtual std::optional<std::string> read(std::uint64_t pos, std::size_t n) const = 0;
};

class MemoryAccess final : public RandomAccess {
public:
    explicit MemoryAccess(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::optional<std::string> read(std::uint64_t pos, std::size_t n) const override;

private:
    std::string bytes_;
};

// An embedded JPEG: where it lies in the file and the size its frame header gives.
struct PreviewJpeg {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PreviewJpeg&) const = default;
};

// Every embedded JPEG of the file that libjpeg can decode (8-bit baseline, extended or
// progressive frames; the lossless JPEG of raw data is left out) and whose longer side is at
// least 64 pixels (smaller ones are placeholders), each once, in file order.
std::vector<PreviewJpeg> findRawPreviews(const RandomAccess& file);

// The preview to use for a thumbnail whose longer side is thumbnailSize: the smallest whose
// longer side still reaches it, else the largest.
std::optional<PreviewJpeg> choosePreview(const std::vector<PreviewJpeg>& previews,
                                         int thumbnailSize);

// The picture of the chosen preview, decoded no larger than needed; a preview that fails to
// decode gives way to the next best. nullopt when the file has no usable preview.
std::optional<DecodedPicture> decodeRawPreview(const RandomAccess& file, int thumbnailSize);

// The table reader for RAW extensions.
std::optional<DecodedPicture> readRawPicture(const std::string& path, int thumbnailSize);

// The RAW extensions (lower case, with the dot) that readRawPicture serves.
const std::vector<std::string>& rawExtensions();

} // namespace pixbako
