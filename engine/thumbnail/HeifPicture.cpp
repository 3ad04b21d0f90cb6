// HEIC/HEIF pictures through libheif.
#include "engine/thumbnail/FormatReaders.h"
#include "engine/thumbnail/JpegCodec.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace pixbako {
namespace {

// Far above what phones write: larger files are refused before they are read.
constexpr off_t kMaxHeifFileBytes = 256 * 1024 * 1024;
// The picture's longer side that libheif is allowed to allocate for.
constexpr int kMaxHeifSide = 32768;

// The whole plain file, read through its descriptor (a named pipe must not block).
std::optional<std::string> readSmallFile(const std::string& path, off_t limit) {
    struct stat st {};
    UniqueFd fd(openPlainFileForReading(path, &st));
    if (!fd || st.st_size <= 0 || st.st_size > limit)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        long n =
            readSomeAt(fd.get(), bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n <= 0)
            return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    return bytes;
}

struct HeifDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
};
template <class T> using HeifPtr = std::unique_ptr<T, HeifDeleter>;

std::optional<DecodedPicture> decodeHandle(heif_image_handle* handle) {
    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    // Phones write up to about 50 megapixels; a larger picture is not decoded (its RGB copy
    // alone would take gigabytes).
    constexpr std::int64_t kMaxHeifPixels = 100'000'000;
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxHeifPixels)
        return std::nullopt;
    heif_image* raw = nullptr;
    if (heif_decode_image(handle, &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    HeifPtr<heif_image> image(raw);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    // The decoded size includes rotations and mirrors that the file asks for.
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || w <= 0 || h <= 0 || stride < w * 3)
        return std::nullopt;
    DecodedPicture picture;
    picture.width = w;
    picture.height = h;
    picture.pixels.width = w;
    picture.pixels.height = h;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    picture.pixels.pixels.resize(rowBytes * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(picture.pixels.pixels.data() + rowBytes * y,
                    plane + static_cast<std::size_t>(stride) * y, rowBytes);
    return picture;
}

} // namespace

std::optional<DecodedPicture> readHeifPicture(const std::string& path, int /*thumbnailSize*/) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { heif_init(nullptr); });
    auto bytes = readSmallFile(path, kMaxHeifFileBytes);
    if (!bytes)
        return std::nullopt;
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context)
        return std::nullopt;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxHeifSide);
    if (heif_context_read_from_memory_without_copy(context.get(), bytes->data(), bytes->size(),
                                                   nullptr)
            .code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return std::nullopt;
    HeifPtr<heif_image_handle> primary(rawHandle);
    heif_item_id thumbnailId = 0;
    if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &thumbnailId, 1) == 1) {
        heif_image_handle* rawThumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(primary.get(), thumbnailId, &rawThumbnail).code ==
            heif_error_Ok) {
            HeifPtr<heif_image_handle> thumbnail(rawThumbnail);
            if (auto picture = decodeHandle(thumbnail.get()))
                return picture;
        }
    }
    return decodeHandle(primary.get());
}

const std::vector<std::string>& heifExtensions() {
    static const std::vector<std::string> extensions{".heic", ".heif", ".hif"};
    return extensions;
}

} // namespace pixbako
