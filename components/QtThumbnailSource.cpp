// Thumbnails through Qt's image readers, kept as JPEG streams in one append-only cache file.
#include "components/ThumbnailSource.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <cmath>

namespace pixbako {
namespace {

// Far above any camera's picture; a tiny file may claim a giant one.
constexpr qint64 kMaxPixels = 250'000'000;

long double roundHalfEven(long double value) {
    return std::nearbyint(value); // the default rounding mode rounds halves to even
}

QString freeCachePath(const QString& folder) {
    const QDir dir(folder.isEmpty() ? QDir::currentPath() : folder);
    for (int n = 0;; ++n) {
        const QString path = dir.filePath(QStringLiteral("thumb%1.tmp").arg(n));
        if (!QFileInfo::exists(path))
            return path;
    }
}

bool readableExtension(const QString& suffix) {
    static const QStringList known = {QStringLiteral("bmp"), QStringLiteral("dib"),
                                      QStringLiteral("jpg"), QStringLiteral("jpeg")};
    return known.contains(suffix.toLower());
}

} // namespace

ThumbnailDimensions thumbnailDimensions(int width, int height, int size) {
    if (width <= 0 || height <= 0 || size <= 0)
        return {};
    long double w = width;
    long double h = height;
    long double s = w > h ? size / w : size / h;
    if (s <= 0.05L) {
        long double f = 0.5L;
        do {
            w = roundHalfEven(w / 2);
            h = roundHalfEven(h / 2);
            f /= 2;
        } while (s < f);
        s = w > h ? size / w : size / h;
    }
    return {std::max(1, static_cast<int>(roundHalfEven(w * s))),
            std::max(1, static_cast<int>(roundHalfEven(h * s)))};
}

QtThumbnailSource::QtThumbnailSource(const QString& folder)
    : folder_(folder), cachePath_(freeCachePath(folder)) {}

QtThumbnailSource::~QtThumbnailSource() {
    deleteCache();
}

std::optional<std::int64_t> QtThumbnailSource::build(const std::string& path, int size) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (!readableExtension(QFileInfo(name).suffix()))
        return std::nullopt;
    QImageReader reader(name);
    reader.setAutoTransform(false);
    const QSize full = reader.size();
    if (!full.isValid() || qint64(full.width()) * full.height() > kMaxPixels)
        return std::nullopt;
    const ThumbnailDimensions dims = thumbnailDimensions(full.width(), full.height(), size);
    // The JPEG reader decodes at a reduced scale when asked for a smaller picture.
    reader.setScaledSize(QSize(dims.width, dims.height));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (image.size() != QSize(dims.width, dims.height))
        image = image.scaled(dims.width, dims.height);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
        return std::nullopt;

    // The name is taken when the file is created, so that two boxes (or two programs in the
    // same folder) never share a cache file.
    if (!created_) {
        for (int n = 0;; ++n) {
            const QDir dir(folder_.isEmpty() ? QDir::currentPath() : folder_);
            cachePath_ = dir.filePath(QStringLiteral("thumb%1.tmp").arg(n));
            QFile fresh(cachePath_);
            if (fresh.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                break;
            if (!QFileInfo::exists(cachePath_) || n > 100000)
                throw ThumbnailCacheError(fresh.errorString().toStdString() + ": " +
                                          cachePath_.toStdString());
        }
        created_ = true;
    }
    QFile cache(cachePath_);
    if (!cache.open(QIODevice::ReadWrite))
        throw ThumbnailCacheError(cache.errorString().toStdString() + ": " +
                                  cachePath_.toStdString());
    const qint64 pos = cache.size();
    if (!cache.seek(pos) || cache.write(jpeg) != jpeg.size())
        throw ThumbnailCacheError(cache.errorString().toStdString() + ": " +
                                  cachePath_.toStdString());
    return pos;
}

QImage QtThumbnailSource::read(std::int64_t pos) {
    QFile cache(cachePath_);
    if (!cache.open(QIODevice::ReadOnly) || !cache.seek(pos))
        return {};
    QImageReader reader(&cache, "jpeg");
    return reader.read();
}

void QtThumbnailSource::deleteCache() {
    if (created_)
        QFile::remove(cachePath_);
    created_ = false;
}

void QtThumbnailSource::setCacheFolder(const QString& folder) {
    if (!folder.isEmpty() && !QDir().mkpath(folder))
        throw ThumbnailCacheError("フォルダを作成できません: " + folder.toStdString());
    if (folder.compare(folder_, Qt::CaseInsensitive) == 0)
        return;
    folder_ = folder;
    const QString newPath = freeCachePath(folder.isEmpty() ? QDir::rootPath() : folder);
    if (created_) {
        QFile::copy(cachePath_, newPath);
        QFile::remove(cachePath_);
    }
    cachePath_ = newPath;
}

} // namespace pixbako
