#include "engine/scan/FolderScanner.h"

#include "platform/DirectoryListing.h"
#include "platform/FileTime.h"

namespace pixbako {
namespace {

void setTime(UnixTime time, bool& ok, TDateTime& value) {
    auto local = localDateTime(time);
    ok = local.has_value();
    value = local.value_or(0);
}

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

} // namespace

FoundEntry searchFileData(const DirectoryEntry& entry) {
    FoundEntry data;
    data.FileName = entry.name;
    data.ShortName = entry.name;
    data.Size = entry.size;
    if (entry.hasCreationTime)
        setTime(entry.creationTime, data.CreationTimeOk, data.CreationTime);
    setTime(entry.lastWriteTime, data.LastWriteTimeOk, data.LastWriteTime);
    setTime(entry.lastAccessTime, data.LastAccessTimeOk, data.LastAccessTime);
    data.IsDirectory = entry.isDirectory;
    data.IsReadOnly = entry.isReadOnly;
    data.IsHidden = entry.isHidden;
    data.IsSystem = entry.isSystem;
    data.IsArchive = entry.isArchive;
    data.IsOther = entry.isOther;
    return data;
}

bool FolderScanner::Execute() {
    if (searching_ || (!OnFind && !OnFindDir))
        return false;
    const std::string folder = fullPathName(Directory);
    if (folder.empty() || !isExistingFolder(folder))
        return false;
    auto identity = fileIdentity(folder);
    if (!identity)
        return false;

    // Ends the walk's state also when a handler's exception passes through.
    struct EndOfWalk {
        FolderScanner& self;
        ~EndOfWalk() {
            self.searching_ = false;
            self.entered_.clear();
        }
    };
    searching_ = true;
    EndOfWalk end{*this};
    entered_.insert(*identity);
    return walk(folder);
}

bool FolderScanner::walk(const std::string& folder) {
    // A folder that can't be listed (no permission, vanished meanwhile) contributes nothing.
    const auto entries = listDirectory(folder, SearchName, FindOtherFiles);
    if (!entries)
        return true;
    for (const DirectoryEntry& entry : *entries) {
        const FoundEntry data = searchFileData(entry);
        const std::string name = joinPath(folder, entry.name);
        const bool dot = isDotEntry(entry.name);
        const bool subfolder = entry.isDirectory && !dot;
        bool skip = false;
        bool ignoreSubdir = !Recursive;
        bool carryOn = true;
        // Handlers are copied before the call: one may reassign itself while it runs.
        if (subfolder) {
            if (TFindDirEvent onFindDir = OnFindDir)
                onFindDir(*this, name, data, skip, ignoreSubdir);
        }
        if (!dot && !skip) {
            if (TFindFileEvent onFind = OnFind)
                onFind(*this, name, data, carryOn);
        }
        if (!carryOn)
            return false;
        if (subfolder && !skip && !ignoreSubdir && entered_.insert(entry.identity).second) {
            if (!walk(name))
                return false;
        }
    }
    return true;
}

} // namespace pixbako
