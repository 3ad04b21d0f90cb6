#pragma once
// The file operations behind the thumbnail cache file: its name, appending one thumbnail,
// and moving it to another folder.
#include "platform/UniqueFd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pixbako {

// The folder the cache file goes into: `folder`, or the current working folder when empty.
std::string resolveCacheFolder(const std::string& folder);

// folder + "/" (when missing) + "thumb" + N + ".tmp" with the smallest N from 0 for which no
// such file exists.
std::string freeCacheFileName(const std::string& folder);

// An open cache file, closed when the handle goes.
class CacheFileHandle {
public:
    explicit CacheFileHandle(int fd) : fd_(fd) {}
    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
};

// Opens the cache file at `path` for reading and writing. While `created` is false the file
// is made anew and exclusively, so that it is ours: when another program took the name in the
// meantime, `path` moves on to the next free name in `folder`. Throws ThumbnailCacheError.
CacheFileHandle openCacheFileForAppend(std::string& path, bool& created, const std::string& folder);

// Writes `bytes` at the end of the file; their offset, or nullopt when the write failed (what
// was written of them is cut off again).
std::optional<std::int64_t> appendToCacheFile(const CacheFileHandle& file, std::string_view bytes);

// Copies the cache file `from` to a new file with a free name in `folder` and returns its
// path; nothing is left behind when that fails (ThumbnailCacheError).
std::string copyCacheFile(const std::string& from, const std::string& folder);

// Creates the folder with its missing parents; true when it exists as a folder afterwards.
bool makeFolder(const std::string& folder);

} // namespace pixbako
