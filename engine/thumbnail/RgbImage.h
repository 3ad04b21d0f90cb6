#pragma once
// A picture as 8-bit RGB triples, row after row without padding: what the JPEG decoder and the
// picture readers hand to the thumbnail builder, and what a cached thumbnail decodes to.
#include <cstdint>
#include <vector>

namespace pixbako {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 3 bytes

    bool empty() const { return width <= 0 || height <= 0; }
};

// A picture as a reader hands it over: the picture's own size and its pixels, which may have
// been decoded smaller than that (never smaller than the thumbnail made from it).
struct DecodedPicture {
    int width = 0;
    int height = 0;
    RgbImage pixels;
};

} // namespace pixbako
