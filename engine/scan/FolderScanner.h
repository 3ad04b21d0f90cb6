#pragma once
// FolderScanner walks a folder, optionally with all its sub-folders, and reports every entry to
// its handlers; it keeps no list of its own, the caller collects what it needs. Set directory,
// recursive and searchName, assign onFind and/or onFindDir, then call run:
//
//     FolderScanner search;
//     search.directory = readInFolder;
//     search.recursive = true;
//     search.onFind = [&](FolderScanner&, const std::string& name, const FoundEntry& data,
//                         bool&) { if (!data.isDirectory) files.push_back(name); };
//     search.run();
//
// The walk is depth first and pre-order (a folder is reported before its contents), entries of
// one folder in name order. Handlers may let pending window events run; a run() started
// from there returns false instead of nesting.
#include "platform/DateTime.h"
#include "platform/Paths.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace pixbako {

struct DirectoryEntry;

// One directory entry as the platform's directory search describes it.
struct FoundEntry {
    std::string fileName;
    std::string shortName; // Linux has no 8.3 names: the long name again
    std::int64_t size = 0;
    bool creationTimeOk = false; // false when the file system keeps no creation time
    TDateTime creationTime = 0;
    bool lastWriteTimeOk = false;
    TDateTime lastWriteTime = 0;
    bool lastAccessTimeOk = false;
    TDateTime lastAccessTime = 0;
    bool isDirectory = false;
    bool isReadOnly = false;
    bool isHidden = false;
    bool isSystem = false;
    bool isArchive = false;
    bool isOther = false; // a FIFO, socket or device file (reported only with findOtherFiles)
};

// The find data of a listing entry, times in local time.
FoundEntry searchFileData(const DirectoryEntry& entry);

class FolderScanner {
public:
    // Called for every file and folder found (folders too: test data.isDirectory). Setting
    // carryOn to false ends the whole walk at once.
    using TFindFileEvent = std::function<void(FolderScanner& sender, const std::string& name,
                                              const FoundEntry& data, bool& carryOn)>;
    // Called for every real sub-folder, before onFind for it. Setting skip: neither report the
    // folder to onFind nor enter it. Setting ignoreSubdir (it starts as !recursive): don't
    // enter it.
    using TFindDirEvent =
        std::function<void(FolderScanner& sender, const std::string& name, const FoundEntry& data,
                           bool& skip, bool& ignoreSubdir)>;

    std::string directory;          // may be relative; made absolute when the walk starts
    bool recursive = false;         // walk into sub-folders
    std::string searchName = "*.*"; // wildcard for every folder; it filters folders as well
    bool findOtherFiles = false;    // report FIFOs, sockets and device files too (isOther)
    TFindFileEvent onFind;
    TFindDirEvent onFindDir;

    // One complete walk. True when it ran to its end; false when it could not start (a walk
    // is running already, no handler, directory is no existing folder) or a handler stopped
    // it. Exceptions from handlers pass through, with the walk ended cleanly.
    bool run();

    bool searching() const { return searching_; }

private:
    // Returns false when a handler stopped the walk.
    bool walk(const std::string& folder);

    bool searching_ = false;
    // Folders entered during this walk: symbolic links can lead back to a folder already
    // entered, and walking it again would never end.
    std::set<FileIdentity> entered_;
};

} // namespace pixbako
