#pragma once
// Test pictures for the thumbnail core, made while the tests run: real pixels through libjpeg
// (a writer independent of the codec under test) and progressive files with a scan script of
// our choice. EXIF blocks with an IFD1 thumbnail come from support/ExifThumbnailBuilder.h.
#include "support/ExifThumbnailBuilder.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako::test {

// A baseline JPEG of width x height with a colour gradient (libjpeg, quality 85, JFIF).
std::string pictureJpeg(int width, int height);

// A progressive grey JPEG whose scan script has `scans` scans (2 to 127): the DC scan, then
// single-coefficient AC scans, then their refinements.
std::string progressiveJpeg(int width, int height, int scans);

// Replaces the picture size in the first SOF segment.
std::string withClaimedSize(std::string jpeg, int width, int height);

std::string readFile(const std::string& path);

} // namespace pixbako::test
