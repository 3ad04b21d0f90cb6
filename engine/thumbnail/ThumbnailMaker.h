#pragma once
// Builds one small JPEG per picture file and keeps them all in one append-only cache file,
// "thumb" + N + ".tmp" with the smallest free N. No Qt: the probe, the fuzz target and the
// benchmarks use it as it is; the thumbnail box uses it through ThumbnailBuilder, which adds
// the bitmap reader and QImage.
//
//     ThumbnailMaker maker;                       // cache file in the current folder
//     ThumbnailResult r = maker.makeThumbnail(path, 120); // state 1: r.cachePos locates the JPEG
//     std::optional<RgbImage> small = maker.readThumbnail(r.cachePos);
//
// A thumbnail comes from the EXIF thumbnail embedded in the file when there is one, otherwise
// from the whole picture read by the reader that the picture-format table names for the
// file's extension. Its longer side is the thumbnail size (see ThumbnailGeometry.h).
#include "engine/thumbnail/RgbImage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pixbako {

class ThumbnailPrefetcher;

// The cache file can't be opened, created or moved; what() is the user's text (UTF-8).
class ThumbnailCacheError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the whole picture of a file for a thumbnail whose longer side is thumbnailSize;
// nullopt when the file holds no picture it can read. Must not throw.
using PictureReader =
    std::function<std::optional<DecodedPicture>(const std::string& path, int thumbnailSize)>;

// The JPEG reader of the table (libjpeg, with the limits of JpegCodec.h).
std::optional<DecodedPicture> readJpegPicture(const std::string& path, int thumbnailSize);

enum class ThumbnailOrigin {
    None,        // no thumbnail: state 0
    Exif,        // the EXIF thumbnail embedded in the file
    WholePicture // the whole picture through the format table's reader
};

struct ThumbnailResult {
    int state = 0;             // 1: stored in the cache file at cachePos; 0: no picture
    std::int64_t cachePos = 0; // byte offset of the thumbnail's JPEG in the cache file
    ThumbnailOrigin origin = ThumbnailOrigin::None;
    int width = 0; // the thumbnail's size
    int height = 0;
    std::string jpeg; // the JPEG stream as stored (empty for state 0)
};

class ThumbnailMaker {
public:
    // The cache file goes into `folder`; an empty folder means the current working folder.
    // The file itself is created with the first thumbnail.
    explicit ThumbnailMaker(const std::string& folder = {});
    // Deletes the cache file.
    ~ThumbnailMaker();
    ThumbnailMaker(const ThumbnailMaker&) = delete;
    ThumbnailMaker& operator=(const ThumbnailMaker&) = delete;

    // Adds a row to the picture-format table: the extension gets a leading dot when it has
    // none and is lower-cased (ASCII). The first row of an extension wins. The table starts
    // with ".jpg" and ".jpeg" (readJpegPicture); ".bmp", ".dib", ".wmf" and ".emf" are added
    // by whoever has readers for them.
    void registerFormat(std::string extension, PictureReader reader);
    bool hasFormat(const std::string& extension) const;
    // Whether the table has a reader for the file's extension.
    bool readsFile(const std::string& path) const { return readerFor(path) != nullptr; }

    // With `on`, the table also reads RAW files (their embedded JPEG previews), HEIC/HEIF
    // pictures and movies (one frame); rows added with registerFormat come first. Off by
    // default: files of those types are then "Non Image" as before.
    void setAllFormats(bool on);
    bool allFormats() const { return allFormats_; }

    // Builds the thumbnail of the file at `path` (its bytes on disk) with the longer side
    // thumbnailSize and appends it to the cache file. State 0 when the file does not exist,
    // its extension is not in the table or it can't be read or decoded; nothing is reported
    // then. Throws ThumbnailCacheError when the cache file can't be opened or created (the
    // item then stays unbuilt).
    ThumbnailResult makeThumbnail(const std::string& path, int thumbnailSize);

    // Lets worker threads (one per core) decode and encode the thumbnails of `paths` ahead,
    // in this order, while makeThumbnail stores them: pass the files that makeThumbnail is about to
    // be called for. makeThumbnail's results, the cache contents and offsets stay exactly those of
    // building one by one; makeThumbnail of a file not in the list, or at another size, just works
    // as always. The work stops with the next prefetch, deleteCacheFile, registerFormat or the
    // destructor. Readers in the table must then be safe to call from several threads at once.
    void prefetch(std::vector<std::string> paths, int thumbnailSize);

    // The thumbnail whose JPEG starts at `pos` in the cache file, decoded up to its end
    // marker; nullopt when there is none to read.
    std::optional<RgbImage> readThumbnail(std::int64_t pos) const;

    // Removes the cache file (offsets handed out before are void). A later makeThumbnail creates it
    // again under the same name, or the next free one when someone else took that name.
    void deleteCacheFile();

    // Moves the cache file into `folder`, creating the folder with its missing parents:
    // throws ThumbnailCacheError "フォルダを作成できません: " + folder when that fails, and
    // nothing changes. A folder equal to the current one ignoring case changes nothing.
    // Otherwise the cache file gets the smallest free name there, the old file's content is
    // copied into it (offsets stay valid) and the old file is deleted. An empty folder text
    // means the current working folder.
    void moveCacheFile(const std::string& folder);
    const std::string& cacheFolder() const { return folder_; }

    const std::string& cacheFilePath() const { return cachePath_; }

private:
    struct Format {
        std::string extension;
        PictureReader reader;
    };
    const PictureReader* readerFor(const std::string& path) const;

    std::vector<Format> formats_;
    std::vector<Format> extendedFormats_; // used with allFormats_
    bool allFormats_ = false;
    std::unique_ptr<ThumbnailPrefetcher> prefetch_;
    std::string folder_;    // as set (cacheFolder)
    std::string cachePath_; // cacheFilePath
    bool created_ = false;  // we created the file at cachePath_ and it is ours
};

} // namespace pixbako
