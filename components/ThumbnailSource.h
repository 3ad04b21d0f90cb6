#pragma once
// Where the thumbnail box gets its pictures: one small JPEG per file, built once and kept in a
// cache file, read back for painting. The box knows items, layout and selection; a source
// knows pictures and the cache file. The box uses the thumbnail builder (BuilderSource) unless
// it is given another source, as tests do.
#include "components/ThumbnailBuilder.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

class IThumbnailSource {
public:
    virtual ~IThumbnailSource() = default;

    // Builds the thumbnail of `path` (bytes of the name on disk) whose longer side is `size`,
    // appends it to the cache file and returns its offset there; nullopt when the file holds
    // no picture that can be read. Throws ThumbnailCacheError when the cache file can't be used.
    virtual std::optional<std::int64_t> build(const std::string& path, int size) = 0;
    // The thumbnail stored at `pos` (a null image when it can't be read).
    virtual QImage read(std::int64_t pos) = 0;
    // Removes the cache file; offsets handed out before are void.
    virtual void deleteCache() = 0;
    // Moves the cache file into `folder` (offsets stay valid). Throws ThumbnailCacheError
    // "フォルダを作成できません: " + folder when the folder can't be made.
    virtual void setCacheFolder(const QString& folder) = 0;
    virtual QString cacheFileName() const = 0;
    // The files that build() is about to be called for, in that order, at this size: a
    // source may make their thumbnails ahead on other threads. Nothing observable changes.
    virtual void prefetch(std::vector<std::string> paths, int size) {
        (void)paths;
        (void)size;
    }
    // Whether the picture-format table also reads RAW previews, HEIC pictures and movies.
    virtual void setAllFormats(bool on) { (void)on; }
    // Whether the picture-format table has a reader for the file's extension.
    virtual bool readsFile(const std::string& path) const {
        (void)path;
        return true;
    }
    // Adds a row to the picture-format table.
    virtual void registerFormat(const std::string& extension, PictureReader reader) {
        (void)extension;
        (void)reader;
    }
};

// The thumbnail builder as the box's source.
class BuilderSource final : public IThumbnailSource {
public:
    explicit BuilderSource(const QString& folder = QString()) : builder_(folder) {}

    std::optional<std::int64_t> build(const std::string& path, int size) override {
        return builder_.build(path, size);
    }
    QImage read(std::int64_t pos) override { return builder_.read(pos); }
    void deleteCache() override { builder_.deleteCache(); }
    void setCacheFolder(const QString& folder) override { builder_.setCacheFolder(folder); }
    QString cacheFileName() const override { return builder_.cacheFileName(); }
    void prefetch(std::vector<std::string> paths, int size) override {
        builder_.prefetch(std::move(paths), size);
    }
    void setAllFormats(bool on) override { builder_.setAllFormats(on); }
    bool readsFile(const std::string& path) const override { return builder_.readsFile(path); }
    void registerFormat(const std::string& extension, PictureReader reader) override {
        builder_.registerFormat(extension, std::move(reader));
    }

private:
    ThumbnailBuilder builder_;
};

} // namespace pixbako
