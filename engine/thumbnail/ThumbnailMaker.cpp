// The build of one thumbnail and the format table.
#include "engine/thumbnail/ThumbnailMaker.h"

#include "engine/thumbnail/FormatReaders.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/RawPreview.h"
#include "engine/thumbnail/ThumbnailCacheFile.h"
#include "engine/thumbnail/ThumbnailPrefetch.h"
#include "platform/AsciiCase.h"
#include "platform/Paths.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

constexpr off_t kWholeFileReadBytes = 64 * 1024 * 1024;

std::string lowerExtension(const std::string& path) {
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string()
                                    : asciiLower(std::string_view(name).substr(dot));
}

} // namespace

std::optional<DecodedPicture> readJpegPicture(const std::string& path, int thumbnailSize) {
    UniqueFd fd(openPlainFileForReading(path));
    std::FILE* file = fd ? ::fdopen(fd.get(), "rb") : nullptr;
    if (!file)
        return std::nullopt;
    fd.release(); // closed with `file`
    std::optional<DecodedPicture> picture;
    // Camera files are decoded from memory: libjpeg's entropy decoder takes its fast path only
    // while enough input is buffered, and a whole file is the largest buffer. Larger files
    // (or ones whose size can't be told) are streamed.
    struct stat st {};
    if (::fstat(::fileno(file), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        st.st_size <= kWholeFileReadBytes) {
        auto size = static_cast<std::size_t>(st.st_size);
        std::unique_ptr<char[]> bytes(new (std::nothrow) char[size]);
        if (bytes) {
            std::size_t got = std::fread(bytes.get(), 1, size, file);
            picture = decodeJpeg(std::string_view(bytes.get(), got), thumbnailSize);
        }
    } else {
        std::setvbuf(file, nullptr, _IOFBF, 256 * 1024);
        picture = decodeJpegFile(file, thumbnailSize);
    }
    std::fclose(file);
    return picture;
}

ThumbnailMaker::ThumbnailMaker(const std::string& folder)
    : folder_(folder), cachePath_(freeCacheFileName(resolveCacheFolder(folder))) {
    registerFormat(".jpg", readJpegPicture);
    registerFormat(".jpeg", readJpegPicture);
    for (const auto& extension : rawExtensions())
        extendedFormats_.push_back({extension, readRawPicture});
    for (const auto& extension : heifExtensions())
        extendedFormats_.push_back({extension, readHeifPicture});
    for (const auto& extension : movieExtensions())
        extendedFormats_.push_back({extension, [](const std::string& path, int size) {
                                        return readMoviePicture(path, size);
                                    }});
}

void ThumbnailMaker::setAllFormats(bool on) {
    if (on == allFormats_)
        return;
    prefetch_.reset(); // the workers read the table
    allFormats_ = on;
}

ThumbnailMaker::~ThumbnailMaker() {
    deleteCacheFile();
}

void ThumbnailMaker::prefetch(std::vector<std::string> paths, int thumbnailSize) {
    prefetch_.reset();
    unsigned threads = std::thread::hardware_concurrency();
    if (threads < 2 || paths.size() < 2 || thumbnailSize < 1)
        return;
    prefetch_ = std::make_unique<ThumbnailPrefetcher>(
        std::move(paths), thumbnailSize,
        [this](const std::string& path) { return readerFor(path); }, std::min(threads, 8u));
}

void ThumbnailMaker::registerFormat(std::string extension, PictureReader reader) {
    prefetch_.reset(); // the workers read the table
    if (extension.empty() || extension[0] != '.')
        extension.insert(extension.begin(), '.');
    formats_.push_back({asciiLower(extension), std::move(reader)});
}

bool ThumbnailMaker::hasFormat(const std::string& extension) const {
    return readerFor(extension.starts_with('.') ? "x" + extension : "x." + extension) != nullptr;
}

const PictureReader* ThumbnailMaker::readerFor(const std::string& path) const {
    std::string ext = lowerExtension(path);
    for (const Format& format : formats_)
        if (format.extension == ext)
            return &format.reader;
    if (allFormats_)
        for (const Format& format : extendedFormats_)
            if (format.extension == ext)
                return &format.reader;
    return nullptr;
}

ThumbnailResult ThumbnailMaker::makeThumbnail(const std::string& path, int thumbnailSize) {
    ThumbnailResult result;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || thumbnailSize < 1)
        return result;
    // The cache file is opened before anything is decoded: when it can't be, the error goes
    // to the caller whatever the file is.
    CacheFileHandle cache =
        openCacheFileForAppend(cachePath_, created_, resolveCacheFolder(folder_));

    const PictureReader* reader = readerFor(path);
    if (!reader)
        return result;

    std::optional<PreparedThumbnail> prepared;
    if (prefetch_)
        prepared = prefetch_->take(path, thumbnailSize);
    if (!prepared)
        prepared = prepareThumbnail(path, thumbnailSize, *reader);
    if (prepared->jpeg.empty())
        return result;
    std::optional<std::int64_t> pos = appendToCacheFile(cache, prepared->jpeg);
    if (!pos)
        return result;
    result.state = 1;
    result.cachePos = *pos;
    result.origin = prepared->origin;
    result.width = prepared->width;
    result.height = prepared->height;
    result.jpeg = std::move(prepared->jpeg);
    return result;
}

std::optional<RgbImage> ThumbnailMaker::readThumbnail(std::int64_t pos) const {
    if (!created_ || pos < 0)
        return std::nullopt;
    std::FILE* file = std::fopen(cachePath_.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::optional<RgbImage> image;
    if (::fseeko(file, pos, SEEK_SET) == 0) {
        if (auto picture = decodeJpegFile(file, 0))
            image = std::move(picture->pixels);
    }
    std::fclose(file);
    return image;
}

void ThumbnailMaker::deleteCacheFile() {
    // Every thumbnail is built anew after this (for a new size, or for other files).
    prefetch_.reset();
    // Only a file this object created is removed: the name may have been free when it was
    // chosen and taken by another program since.
    if (created_)
        ::unlink(cachePath_.c_str());
    created_ = false;
}

void ThumbnailMaker::moveCacheFile(const std::string& folder) {
    if (!folder.empty() && !makeFolder(folder))
        throw ThumbnailCacheError("フォルダを作成できません: " + folder);
    if (equalsIgnoringAsciiCase(folder, folder_))
        return;
    std::string dir = resolveCacheFolder(folder);
    std::string newPath = freeCacheFileName(dir);
    bool moved = false;
    if (created_ && ::access(cachePath_.c_str(), F_OK) == 0) {
        newPath = copyCacheFile(cachePath_, dir);
        ::unlink(cachePath_.c_str());
        moved = true;
    }
    folder_ = folder;
    cachePath_ = newPath;
    created_ = moved;
}

} // namespace pixbako
