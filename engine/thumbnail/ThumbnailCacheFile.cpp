// The cache file on disk. It is private to the user (mode 0600): it holds small copies of the
// user's pictures.
#include "engine/thumbnail/ThumbnailCacheFile.h"

#include "engine/thumbnail/ThumbnailMaker.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pixbako {
namespace {

constexpr mode_t kCacheFileMode = 0600;

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

ThumbnailCacheError cannotOpen(const std::string& path) {
    std::string text = "ファイル ";
    text += path;
    text += " を開けません";
    return ThumbnailCacheError(text);
}

// Creates a file with a free name in folder, exclusively; throws when it can't.
std::pair<int, std::string> createFresh(std::string path, const std::string& folder) {
    for (;;) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kCacheFileMode);
        if (fd >= 0)
            return {fd, path};
        if (errno != EEXIST)
            throw cannotOpen(path);
        path = freeCacheFileName(folder);
    }
}

} // namespace

std::string resolveCacheFolder(const std::string& folder) {
    if (!folder.empty())
        return folder;
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    return ec ? std::string(".") : cwd;
}

std::string freeCacheFileName(const std::string& folder) {
    std::string base = folder;
    if (base.empty() || base.back() != '/')
        base += '/';
    for (unsigned long n = 0;; ++n) {
        std::string path = base + "thumb" + std::to_string(n) + ".tmp";
        struct stat st {};
        // Any failure counts as free: a folder that can't be searched then fails when the
        // file is created, instead of the search running on for ever.
        if (::lstat(path.c_str(), &st) != 0)
            return path;
    }
}

CacheFileHandle openCacheFileForAppend(std::string& path, bool& created,
                                       const std::string& folder) {
    if (!created) {
        auto [fd, chosen] = createFresh(path, folder);
        path = chosen;
        created = true;
        return CacheFileHandle(fd);
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kCacheFileMode);
    if (fd < 0)
        throw cannotOpen(path);
    return CacheFileHandle(fd);
}

std::optional<std::int64_t> appendToCacheFile(const CacheFileHandle& file, std::string_view bytes) {
    off_t end = ::lseek(file.fd(), 0, SEEK_END);
    if (end < 0)
        return std::nullopt;
    if (!writeAll(file.fd(), bytes.data(), bytes.size())) {
        if (::ftruncate(file.fd(), end) != 0) {
            // The stray bytes stay: no item points at them.
        }
        return std::nullopt;
    }
    return static_cast<std::int64_t>(end);
}

std::string copyCacheFile(const std::string& from, const std::string& folder) {
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        throw cannotOpen(from);
    const auto [outFd, outPath] = createFresh(freeCacheFileName(folder), folder);
    UniqueFd out(outFd);
    std::vector<char> buffer(256 * 1024);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        if (!writeAll(out.get(), buffer.data(), static_cast<std::size_t>(n))) {
            ok = false;
            break;
        }
    }
    in.close();
    if (out.close() != 0)
        ok = false;
    if (!ok) {
        ::unlink(outPath.c_str());
        throw cannotOpen(outPath);
    }
    return outPath;
}

bool makeFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

} // namespace pixbako
