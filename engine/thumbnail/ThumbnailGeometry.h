#pragma once
// The size of a thumbnail whose longer side becomes `thumbnailSize`, computed as the builder
// always has: the scale s = size / longer side in extended precision; a picture at least 20
// times too large (s <= 0.05) is first halved step by step, each side rounded half to even,
// until s is no longer below the halving factor, and s is taken again from the halved size;
// then each side is multiplied by s and rounded half to even. Small pictures are enlarged.
namespace pixbako {

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

// A side that the arithmetic rounds down to 0 (the 1 of a 1000 x 1 picture at size 120) is
// kept at 1 pixel, so that every picture gets a thumbnail. Inputs must be positive.
PictureSize computeThumbnailSize(int width, int height, int thumbnailSize);

} // namespace pixbako
