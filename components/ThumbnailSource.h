#pragma once
// Where the thumbnail box gets its pictures: one small JPEG per file, built once and kept in a
// cache file, read back for painting. The box knows items, layout and selection; a source
// knows pictures and the cache file.
//
// QtThumbnailSource is the source the box uses unless it is given another; it decodes through
// Qt's image readers (scaled decoding, so a camera picture is never held at full size).
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace pixbako {

// The cache file can't be opened or created; the message is the user's text.
class ThumbnailCacheError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class IThumbnailSource {
public:
    virtual ~IThumbnailSource() = default;

    // Builds the thumbnail of `path` (bytes of the name on disk) whose longer side is `size`,
    // appends it to the cache file and returns its offset there; nullopt when the file holds
    // no picture it can read. Throws ThumbnailCacheError when the cache file can't be used.
    virtual std::optional<std::int64_t> build(const std::string& path, int size) = 0;
    // The thumbnail stored at `pos` (a null image when it can't be read).
    virtual QImage read(std::int64_t pos) = 0;
    // Removes the cache file; offsets handed out before are void.
    virtual void deleteCache() = 0;
    // Moves the cache file into `folder` (offsets stay valid). Throws ThumbnailCacheError
    // "フォルダを作成できません: " + folder when the folder can't be made.
    virtual void setCacheFolder(const QString& folder) = 0;
    virtual QString cacheFileName() const = 0;
};

// The width and height of a thumbnail of a W × H picture whose longer side becomes `size`:
// pictures at least 20 times too large are halved step by step first (each side rounded half
// to even), then scaled with the same rounding; small pictures are enlarged.
struct ThumbnailDimensions {
    int width = 0;
    int height = 0;
};
ThumbnailDimensions thumbnailDimensions(int width, int height, int size);

class QtThumbnailSource final : public IThumbnailSource {
public:
    // The cache file "thumb" + N + ".tmp" with the smallest free N, in `folder` (empty: the
    // current working folder). The file is made with the first thumbnail.
    explicit QtThumbnailSource(const QString& folder = QString());
    ~QtThumbnailSource() override;

    std::optional<std::int64_t> build(const std::string& path, int size) override;
    QImage read(std::int64_t pos) override;
    void deleteCache() override;
    void setCacheFolder(const QString& folder) override;
    QString cacheFileName() const override { return cachePath_; }

private:
    QString folder_;
    QString cachePath_;
    bool created_ = false; // cachePath_ is a file of ours
};

} // namespace pixbako
