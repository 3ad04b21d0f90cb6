#pragma once
// JPEG decoding and encoding with libjpeg for thumbnails. Every libjpeg error ends in a
// failed result, never in an exception or a crash; libjpeg's non-local exit is confined to
// one small function per direction whose locals need no destructors.
//
// Bounds on the work one file may cost, far above what any camera writes: pictures of more
// than kMaxJpegPixels and progressive files of more than kMaxJpegScans scans are refused, and
// data that end before the picture does (a truncated file) count as broken.
#include "engine/thumbnail/RgbImage.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

inline constexpr std::int64_t kMaxJpegPixels = 300'000'000;
inline constexpr int kMaxJpegScans = 100;
// libjpeg's own working memory (progressive files keep every coefficient of the picture).
inline constexpr long kMaxJpegMemoryBytes = 512L * 1024 * 1024;

// Decodes a JPEG for a thumbnail whose longer side is thumbnailSize: libjpeg's DCT scaling
// picks the smallest scale whose output is still at least the thumbnail's size (see
// computeThumbnailSize), so the picture is never held larger than needed. thumbnailSize <= 0
// decodes at full size. The result's width and height are the picture's own.
std::optional<DecodedPicture> decodeJpeg(std::string_view bytes, int thumbnailSize);
// The same for the JPEG that starts at the file's current position.
std::optional<DecodedPicture> decodeJpegFile(std::FILE* file, int thumbnailSize);

// A baseline JPEG of 24-bit colour at the given quality (libjpeg's defaults otherwise).
std::optional<std::string> encodeJpeg(const RgbImage& image, int quality);

} // namespace pixbako
