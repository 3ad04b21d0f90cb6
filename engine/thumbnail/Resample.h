#pragma once
// Resizing a picture to a thumbnail's size: each target pixel is the average of the source
// pixels it covers (or the one nearest source pixel when enlarging), so a shrunk thumbnail
// shows no dropped-pixel noise.
#include "engine/thumbnail/RgbImage.h"
#include "engine/thumbnail/ThumbnailGeometry.h"

namespace pixbako {

RgbImage resizeImage(const RgbImage& source, PictureSize size);

} // namespace pixbako
