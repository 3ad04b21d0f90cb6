#pragma once
// The entries of one folder, as a Windows directory search reports them: filtered by a
// wildcard pattern with Windows rules and sorted by name the way NTFS returns them, so the
// order is the same on every machine.
#include "platform/FileTime.h"
#include "platform/Paths.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// Windows wildcard matching of one file name: ASCII letters match case-insensitively, "*"
// matches any run of characters, "?" exactly one (UTF-8) character. A pattern ending in ".*"
// also matches names without a dot ("*.*" matches every name, "IMG*.*" matches "IMG1"); a
// pattern ending in a single "." matches only names without a dot ("*." matches "README").
// An empty pattern matches nothing.
bool matchesWildcard(std::string_view name, std::string_view pattern);

struct DirectoryEntry {
    std::string name;
    std::int64_t size = 0; // 0 for folders
    // A symbolic link reports what it points to: a link to a folder is a folder. A dangling
    // link is a file with the link's own data.
    bool isDirectory = false;
    bool isReadOnly = false;      // the owner has no write permission
    bool isHidden = false;        // a name starting with ".", or the FAT hidden attribute
    bool isSystem = false;        // Linux has no such attribute
    bool isArchive = false;       // every entry that is not a folder
    bool hasCreationTime = false; // the file system keeps birth times (statx)
    bool isOther = false;         // a FIFO, socket or device file (listed only on request)
    UnixTime creationTime;
    UnixTime lastWriteTime;
    UnixTime lastAccessTime;
    // Of the link's target for a link, so that a walk can tell a folder it has entered already.
    FileIdentity identity;
};

// The entries of `folder` whose names match `pattern`, in name order, with "." and ".." like
// the Windows search reports them (every folder but the root "/" has them). Device files,
// FIFOs and sockets are left out unless `withOtherFiles` asks for them (isOther): a Windows
// folder holds no such things, and reading one could block forever. nullopt when the folder
// can't be opened.
std::optional<std::vector<DirectoryEntry>>
listDirectory(const std::string& folder, std::string_view pattern, bool withOtherFiles = false);

// 0 when listDirectory can open `folder`, otherwise the errno that opening it gave (EACCES for
// a folder without read permission, ENOENT, ENOTDIR...).
int directoryOpenError(const std::string& folder);

} // namespace pixbako
