// Thumbnail preparation, and the workers that do it ahead.
#include "engine/thumbnail/ThumbnailPrefetch.h"

#include "engine/thumbnail/ExifThumbnail.h"
#include "engine/thumbnail/JpegCodec.h"
#include "engine/thumbnail/Resample.h"
#include "engine/thumbnail/ThumbnailGeometry.h"
#include "platform/PlainFile.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixbako {
namespace {

constexpr int kThumbnailQuality = 90;

// A regular file opened for reading, closed when the object goes.
class InputFile final : public ByteSource {
public:
    explicit InputFile(const std::string& path) {
        // O_NONBLOCK keeps a named pipe from blocking the open; only regular files are read.
        fd_ = UniqueFd(openPlainFileForReading(path));
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isOpen() const { return static_cast<bool>(fd_); }

    // Read errors end the data: a file that can't be read has no EXIF thumbnail.
    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        const long count = readSomeAt(fd_.get(), dst, n, offset_);
        if (count < 0)
            return 0;
        offset_ += count;
        return static_cast<std::size_t>(count);
    }

    void skip(std::uint64_t n) override {
        constexpr std::uint64_t limit = 1ull << 62;
        offset_ = static_cast<off_t>(std::min<std::uint64_t>(limit, offset_ + n));
    }

private:
    UniqueFd fd_;
    off_t offset_ = 0;
};

} // namespace

PreparedThumbnail prepareThumbnail(const std::string& path, int thumbnailSize,
                                   const PictureReader& reader) {
    PreparedThumbnail prepared;
    std::optional<DecodedPicture> picture;
    {
        InputFile input(path);
        std::optional<std::string> exif;
        if (input.isOpen())
            exif = readExifThumbnail(input);
        if (exif) {
            // An embedded thumbnail that can't be decoded makes the file "Non Image": the
            // whole picture is not tried then.
            picture = decodeJpeg(*exif, thumbnailSize);
            prepared.origin = ThumbnailOrigin::Exif;
        } else {
            picture = reader(path, thumbnailSize);
            prepared.origin = ThumbnailOrigin::WholePicture;
        }
    }
    if (!picture || picture->pixels.empty() || picture->width <= 0 || picture->height <= 0)
        return {};
    PictureSize size = computeThumbnailSize(picture->width, picture->height, thumbnailSize);
    auto jpeg = encodeJpeg(resizeImage(picture->pixels, size), kThumbnailQuality);
    if (!jpeg)
        return {};
    prepared.width = size.width;
    prepared.height = size.height;
    prepared.jpeg = std::move(*jpeg);
    return prepared;
}

ThumbnailPrefetcher::ThumbnailPrefetcher(std::vector<std::string> paths, int thumbnailSize,
                                         ReaderLookup lookup, unsigned threads)
    : paths_(std::move(paths)), thumbnailSize_(thumbnailSize), lookup_(std::move(lookup)),
      slots_(paths_.size()) {
    for (std::size_t i = 0; i < paths_.size(); ++i)
        indexOf_[paths_[i]].push_back(i);
    for (unsigned i = 0; i < threads; ++i)
        workers_.emplace_back([this] { work(); });
}

ThumbnailPrefetcher::~ThumbnailPrefetcher() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

void ThumbnailPrefetcher::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(
            lock, [this] { return stop_ || (next_ < slots_.size() && next_ < taken_ + kWindow); });
        if (stop_)
            return;
        std::size_t i = next_++;
        if (slots_[i].state != SlotState::Pending)
            continue;
        slots_[i].state = SlotState::Working;
        lock.unlock();
        PreparedThumbnail result;
        bool failed = false;
        try {
            if (const PictureReader* reader = lookup_(paths_[i]))
                result = prepareThumbnail(paths_[i], thumbnailSize_, *reader);
        } catch (...) {
            // Out of memory, say: the file is left to the caller, whose own attempt then
            // fails the way building without workers does.
            failed = true;
        }
        lock.lock();
        slots_[i].result = std::move(result);
        slots_[i].state = failed ? SlotState::Failed : SlotState::Done;
        changed_.notify_all();
    }
}

std::optional<PreparedThumbnail> ThumbnailPrefetcher::take(const std::string& path,
                                                           int thumbnailSize) {
    std::unique_lock lock(mutex_);
    if (thumbnailSize != thumbnailSize_)
        return std::nullopt;
    auto found = indexOf_.find(path);
    if (found == indexOf_.end())
        return std::nullopt;
    auto& indices = found->second;
    auto open = std::find_if(indices.begin(), indices.end(),
                             [this](std::size_t i) { return slots_[i].state != SlotState::Taken; });
    if (open == indices.end())
        return std::nullopt;
    const std::size_t i = *open;
    changed_.wait(lock, [&] { return slots_[i].state != SlotState::Working; });
    std::optional<PreparedThumbnail> result;
    if (slots_[i].state == SlotState::Done)
        result = std::move(slots_[i].result);
    slots_[i].state = SlotState::Taken;
    taken_ = std::max(taken_, i + 1);
    changed_.notify_all();
    return result;
}

} // namespace pixbako
