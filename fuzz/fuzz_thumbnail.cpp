// Arbitrary bytes through the thumbnail builder's picture path: the EXIF thumbnail lookup on
// the marker walk and on the raw input (so that the fuzzer reaches the directories without
// first building a JPEG structure), the decoder with DCT scaling, the resize and the encoder.
#include "engine/thumbnail/ExifThumbnail.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/Resample.h"
#include "engine/thumbnail/ThumbnailGeometry.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void thumbnailOf(std::string_view jpeg) {
    using namespace pixbako;
    auto picture = decodeJpeg(jpeg, 120);
    if (!picture)
        return;
    PictureSize size = computeThumbnailSize(picture->width, picture->height, 120);
    encodeJpeg(resizeImage(picture->pixels, size), 90);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pixbako;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    MemorySource source(bytes);
    if (auto thumb = readExifThumbnail(source))
        thumbnailOf(*thumb);
    else
        thumbnailOf(bytes);
    if (auto thumb = findExifThumbnail(bytes))
        thumbnailOf(*thumb);
    return 0;
}
