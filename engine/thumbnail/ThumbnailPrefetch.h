#pragma once
// Preparing thumbnails ahead on worker threads. Decoding a camera picture costs tens of
// milliseconds and depends on nothing but the file, so while the builder appends one
// thumbnail to the cache file, workers already decode and encode the next ones. The cache file
// is only ever written by the thread that calls ThumbnailMaker::makeThumbnail, in the order of its
// calls, so the cache contents and every offset are exactly those of building one by one.
#include "engine/thumbnail/ThumbnailMaker.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace pixbako {

// A thumbnail encoded but not yet stored. An empty jpeg means no picture (state 0).
struct PreparedThumbnail {
    ThumbnailOrigin origin = ThumbnailOrigin::None;
    int width = 0;
    int height = 0;
    std::string jpeg;
};

// Decodes the file (its EXIF thumbnail, or the whole picture through `reader`), resizes and
// encodes it. Safe to call from any thread when the reader is.
PreparedThumbnail prepareThumbnail(const std::string& path, int thumbnailSize,
                                   const PictureReader& reader);

class ThumbnailPrefetcher {
public:
    // The reader of a path, or nullptr; called on the workers, so it must only read.
    using ReaderLookup = std::function<const PictureReader*(const std::string&)>;

    // Starts `threads` workers on `paths`, in order, at most kWindow files ahead of the
    // files taken.
    ThumbnailPrefetcher(std::vector<std::string> paths, int thumbnailSize, ReaderLookup lookup,
                        unsigned threads);
    // Stops the workers; a file in a worker's hands is finished first.
    ~ThumbnailPrefetcher();
    ThumbnailPrefetcher(const ThumbnailPrefetcher&) = delete;
    ThumbnailPrefetcher& operator=(const ThumbnailPrefetcher&) = delete;

    // The prepared thumbnail of `path` at `thumbnailSize`, waiting for a worker that is on it.
    // nullopt when the file is not among those to prepare, was prepared for another size, or no
    // worker has started it yet (it is then left to the caller).
    std::optional<PreparedThumbnail> take(const std::string& path, int thumbnailSize);

    static constexpr std::size_t kWindow = 16;

private:
    enum class SlotState { Pending, Working, Done, Failed, Taken };
    struct Slot {
        SlotState state = SlotState::Pending;
        PreparedThumbnail result;
    };
    void work();

    std::vector<std::string> paths_;
    int thumbnailSize_;
    ReaderLookup lookup_;
    std::unordered_map<std::string, std::vector<std::size_t>> indexOf_;
    std::vector<Slot> slots_;
    std::size_t next_ = 0;  // the next file a worker takes
    std::size_t taken_ = 0; // files before this one are no longer waited for
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
};

} // namespace pixbako
