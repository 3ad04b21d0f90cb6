#pragma once
// Test pictures for the thumbnail builder: the libjpeg pictures of the thumbnail core's tests,
// and bitmaps through Qt for the builder's own bitmap reader.
#include "engine/thumbnail/ThumbnailTestPictures.h"

#include <string>

namespace pixbako::test {

// A 24-bit BMP of width x height (Qt's writer).
std::string bitmap(int width, int height);

} // namespace pixbako::test
