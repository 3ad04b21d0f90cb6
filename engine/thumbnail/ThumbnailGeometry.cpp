// Thumbnail sizes in extended precision with the rounding of the platform's Round: to the
// nearest integer, halves to the even neighbour (the default rounding mode of rintl).
#include "engine/thumbnail/ThumbnailGeometry.h"

#include <algorithm>
#include <cmath>

namespace pixbako {
namespace {

long double scaleFor(long double width, long double height, int thumbnailSize) {
    return thumbnailSize / (width > height ? width : height);
}

int rounded(long double value) {
    return std::max(1, static_cast<int>(std::rintl(value)));
}

} // namespace

PictureSize computeThumbnailSize(int width, int height, int thumbnailSize) {
    long double w = width;
    long double h = height;
    long double s = scaleFor(w, h, thumbnailSize);
    if (s <= 0.05L) {
        long double f = 0.5L;
        do {
            w = std::rintl(w / 2);
            h = std::rintl(h / 2);
            f /= 2;
        } while (s < f);
        // A side halved down to 0 is kept at one pixel for the scale.
        s = scaleFor(std::max(w, 1.0L), std::max(h, 1.0L), thumbnailSize);
    }
    return {rounded(w * s), rounded(h * s)};
}

} // namespace pixbako
