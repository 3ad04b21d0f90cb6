#pragma once
// The thumbnail builder of the thumbnail box: ThumbnailMaker with the platform's bitmap reader
// in its picture-format table and the cached thumbnails handed out as QImage.
//
// Picture-format table: ".bmp", ".dib" (Qt's BMP reader), ".jpg", ".jpeg" (libjpeg). Metafiles
// (".wmf", ".emf") have no reader: Debian offers no maintained library that renders both, so
// such files are left out of the table and get state 0 ("Non Image"). With setAllFormats(true)
// the table also reads RAW previews, HEIC pictures and movie frames (ThumbnailMaker).
//
// The box calls, per item in state 2 (see ThumbnailItem):
//     std::optional<std::int64_t> pos = builder.build(item.fileName, thumbnailSize());
//     item.state = pos ? 1 : 0;  item.cachePos = pos.value_or(0);
// (build throws ThumbnailCacheError when the cache file can't be used: the item stays in 2;
// calling prefetch() with the paths of the items in state 2 first makes a long loop faster),
// paints with builder.read(item.cachePos), calls deleteCache() on clear(), on removing the last
// item and when thumbnailSize is set, and setCacheFolder() from the cacheFolder setter.
// The destructor deletes the cache file.
#include "engine/thumbnail/ThumbnailMaker.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

// Qt's BMP reader as a table reader (used for ".bmp" and ".dib").
std::optional<DecodedPicture> readBitmapPicture(const std::string& path, int thumbnailSize);

QImage toQImage(const RgbImage& image);

class ThumbnailBuilder : public ThumbnailMaker {
public:
    // The cache file "thumb" + N + ".tmp" goes into `folder` (empty: the current folder).
    explicit ThumbnailBuilder(const QString& folder = QString());

    // Builds and stores the thumbnail of `path` (the bytes of its name on disk) with the
    // longer side `size`: its offset in the cache file, or nullopt for "Non Image". Throws
    // ThumbnailCacheError when the cache file can't be opened or created.
    std::optional<std::int64_t> build(const std::string& path, int size);
    // The thumbnail stored at `pos`; a null image when it can't be read.
    QImage read(std::int64_t pos) const;
    // Deletes the cache file.
    void deleteCache() { deleteCacheFile(); }
    // The cacheFolder setter: see ThumbnailMaker::moveCacheFile. Throws
    // ThumbnailCacheError "フォルダを作成できません: " + folder.
    void setCacheFolder(const QString& folder);
    QString cacheFileName() const { return QString::fromStdString(cacheFilePath()); }
};

} // namespace pixbako
