#include "platform/DirectoryListing.h"

#include "platform/AsciiCase.h"
#include "platform/Encoding.h"
#include "platform/FatAttributes.h"
#include "platform/UniqueDir.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>

namespace pixbako {
namespace {

constexpr int kListOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// "*" and "?" matching with backtracking to the last "*"; positions in `name` stay on
// character boundaries, so "?" always takes a whole UTF-8 character.
bool globMatch(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            n += utf8CharLength(name, n);
            ++p;
        } else if (p < pattern.size() && asciiUpper(pattern[p]) == asciiUpper(name[n])) {
            ++n;
            ++p;
        } else if (starP != std::string_view::npos) {
            starN += utf8CharLength(name, starN);
            n = starN;
            p = starP + 1;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool isDotEntry(std::string_view name) {
    return name == "." || name == "..";
}

UnixTime toUnixTime(const struct statx_timestamp& t) {
    return UnixTime{static_cast<std::int64_t>(t.tv_sec), static_cast<std::int64_t>(t.tv_nsec)};
}

// Examines one entry of the open folder; false when it vanished or is a kind of file that a
// listing leaves out.
bool describeEntry(int dirFd, const std::string& name, bool onFat, bool withOther,
                   DirectoryEntry& entry) {
    constexpr int kFlags = AT_STATX_SYNC_AS_STAT | AT_NO_AUTOMOUNT;
    constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
    struct statx sx {};
    if (::statx(dirFd, name.c_str(), kFlags, kMask, &sx) != 0 &&
        ::statx(dirFd, name.c_str(), kFlags | AT_SYMLINK_NOFOLLOW, kMask, &sx) != 0)
        return false;
    const bool isDir = S_ISDIR(sx.stx_mode);
    entry.isOther = !isDir && !S_ISREG(sx.stx_mode) && !S_ISLNK(sx.stx_mode);
    if (entry.isOther && !withOther)
        return false;
    entry.name = name;
    entry.isDirectory = isDir;
    entry.size = isDir ? 0 : static_cast<std::int64_t>(sx.stx_size);
    entry.isReadOnly = (sx.stx_mode & S_IWUSR) == 0;
    entry.isHidden = !isDotEntry(name) &&
                     (name.front() == '.' || (onFat && hasHiddenAttributeAt(dirFd, name.c_str())));
    entry.isSystem = false;
    entry.isArchive = !isDir;
    entry.hasCreationTime = (sx.stx_mask & STATX_BTIME) != 0;
    if (entry.hasCreationTime)
        entry.creationTime = toUnixTime(sx.stx_btime);
    entry.lastWriteTime = toUnixTime(sx.stx_mtime);
    entry.lastAccessTime = toUnixTime(sx.stx_atime);
    entry.identity = {::makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
    return true;
}

bool isRootFolder(int dirFd) {
    struct stat here {};
    struct stat root {};
    return ::fstat(dirFd, &here) == 0 && ::stat("/", &root) == 0 && here.st_dev == root.st_dev &&
           here.st_ino == root.st_ino;
}

} // namespace

bool matchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern.empty() || name.empty())
        return false;
    if (globMatch(name, pattern))
        return true;
    const bool nameHasDot = name.find('.') != std::string_view::npos;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
        return !nameHasDot && globMatch(name, pattern.substr(0, pattern.size() - 2));
    if (pattern.back() == '.' && pattern.find_first_of("*?") != std::string_view::npos)
        return !nameHasDot && globMatch(name, pattern.substr(0, pattern.size() - 1));
    return false;
}

int directoryOpenError(const std::string& folder) {
    const UniqueFd fd(::open(folder.c_str(), kListOpenFlags));
    return fd ? 0 : errno;
}

std::optional<std::vector<DirectoryEntry>>
listDirectory(const std::string& folder, std::string_view pattern, bool withOtherFiles) {
    UniqueFd owned(::open(folder.c_str(), kListOpenFlags));
    if (!owned)
        return std::nullopt;
    const int fd = owned.get();
    const UniqueDir dir = UniqueDir::adopt(owned);
    if (!dir)
        return std::nullopt;
    const bool onFat = isFatFileSystem(fd);
    const bool atRoot = isRootFolder(fd);

    std::vector<DirectoryEntry> entries;
    for (;;) {
        const dirent* d = dir.next();
        if (!d)
            break; // the end, or a read error: what was read so far stands
        std::string name = d->d_name;
        if (atRoot && isDotEntry(name))
            continue; // a Windows drive root has no "." and ".."
        if (!matchesWildcard(name, pattern))
            continue;
        DirectoryEntry entry;
        if (describeEntry(fd, name, onFat, withOtherFiles, entry))
            entries.push_back(std::move(entry));
    }
    // By the names in ASCII upper case, byte by byte (std::string compares bytes unsigned, like
    // memcmp); names equal in upper case by their own bytes. Keys are made once.
    std::vector<std::pair<std::string, DirectoryEntry>> keyed;
    keyed.reserve(entries.size());
    for (auto& entry : entries)
        keyed.emplace_back(asciiUpper(entry.name), std::move(entry));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        entries[i] = std::move(keyed[i].second);
    return entries;
}

} // namespace pixbako
