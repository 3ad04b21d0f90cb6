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
    data.fileName = entry.name;
    data.shortName = entry.name;
    data.size = entry.size;
    if (entry.hasCreationTime)
        setTime(entry.creationTime, data.creationTimeOk, data.creationTime);
    setTime(entry.lastWriteTime, data.lastWriteTimeOk, data.lastWriteTime);
    setTime(entry.lastAccessTime, data.lastAccessTimeOk, data.lastAccessTime);
    data.isDirectory = entry.isDirectory;
    data.isReadOnly = entry.isReadOnly;
    data.isHidden = entry.isHidden;
    data.isSystem = entry.isSystem;
    data.isArchive = entry.isArchive;
    data.isOther = entry.isOther;
    return data;
}

bool FolderScanner::run() {
    if (searching_ || (!onFind && !onFindDir))
        return false;
    const std::string folder = fullPathName(directory);
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
    const auto entries = listDirectory(folder, searchName, findOtherFiles);
    if (!entries)
        return true;
    for (const DirectoryEntry& entry : *entries) {
        const FoundEntry data = searchFileData(entry);
        const std::string name = joinPath(folder, entry.name);
        const bool dot = isDotEntry(entry.name);
        const bool subfolder = entry.isDirectory && !dot;
        bool skip = false;
        bool ignoreSubdir = !recursive;
        bool carryOn = true;
        // Handlers are copied before the call: one may reassign itself while it runs.
        if (subfolder) {
            if (TFindDirEvent handler = onFindDir)
                handler(*this, name, data, skip, ignoreSubdir);
        }
        if (!dot && !skip) {
            if (TFindFileEvent handler = onFind)
                handler(*this, name, data, carryOn);
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
