// The thumbnail box's builder: the Qt-free maker plus Qt's bitmap reader and QImage.
#include "components/ThumbnailBuilder.h"

#include "engine/thumbnail/JpegCodec.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <QBuffer>
#include <QImageReader>

#include <cstdio>
#include <cstring>

namespace pixbako {
namespace {
// Bitmaps of the largest picture allowed at 32 bits a pixel, with room for the headers.
constexpr qsizetype kMaxBitmapFileBytes = static_cast<qsizetype>(kMaxJpegPixels) * 4 + 65536;
} // namespace

std::optional<DecodedPicture> readBitmapPicture(const std::string& path, int /*thumbnailSize*/) {
    // The file is read through its own bytes (its name need not be valid UTF-8). The format
    // is fixed: a file named .bmp that holds another format is no bitmap. The pixel check
    // keeps a header claiming a huge picture from costing memory.
    QByteArray bytes;
    {
        UniqueFd fd(openPlainFileForReading(path));
        std::FILE* file = fd ? ::fdopen(fd.get(), "rb") : nullptr;
        if (!file)
            return std::nullopt;
        fd.release(); // closed with `file`
        char buffer[64 * 1024];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 &&
               bytes.size() <= kMaxBitmapFileBytes)
            bytes.append(buffer, static_cast<qsizetype>(n));
        bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed || bytes.size() > kMaxBitmapFileBytes)
            return std::nullopt;
    }
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, "bmp");
    reader.setDecideFormatFromContent(false);
    QSize size = reader.size();
    if (!size.isValid() || static_cast<std::int64_t>(size.width()) * size.height() > kMaxJpegPixels)
        return std::nullopt;
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    image = image.convertToFormat(QImage::Format_RGB888);
    DecodedPicture picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.width = image.width();
    picture.pixels.height = image.height();
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 3;
    picture.pixels.pixels.resize(rowBytes * image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(picture.pixels.pixels.data() + rowBytes * y, image.constScanLine(y), rowBytes);
    return picture;
}

QImage toQImage(const RgbImage& image) {
    if (image.empty())
        return {};
    QImage result(image.width, image.height, QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        std::memcpy(result.scanLine(y), image.pixels.data() + rowBytes * y, rowBytes);
    return result;
}

ThumbnailBuilder::ThumbnailBuilder(const QString& folder) : ThumbnailMaker(folder.toStdString()) {
    registerFormat(".bmp", readBitmapPicture);
    registerFormat(".dib", readBitmapPicture);
}

std::optional<std::int64_t> ThumbnailBuilder::build(const std::string& path, int size) {
    ThumbnailResult result = makeThumbnail(path, size);
    if (result.state != 1)
        return std::nullopt;
    return result.cachePos;
}

QImage ThumbnailBuilder::read(std::int64_t pos) const {
    auto image = readThumbnail(pos);
    return image ? toQImage(*image) : QImage();
}

void ThumbnailBuilder::setCacheFolder(const QString& folder) {
    moveCacheFile(folder.toStdString());
}

} // namespace pixbako
