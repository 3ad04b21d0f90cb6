#pragma once
// FolderScanner walks a folder, optionally with all its sub-folders, and reports every entry to
// its handlers; it keeps no list of its own, the caller collects what it needs. Set Directory,
// Recursive and SearchName, assign OnFind and/or OnFindDir, then call Execute:
//
//     FolderScanner search;
//     search.Directory = readInFolder;
//     search.Recursive = true;
//     search.OnFind = [&](FolderScanner&, const std::string& name, const FoundEntry& data,
//                         bool&) { if (!data.IsDirectory) files.push_back(name); };
//     search.Execute();
//
// The walk is depth first and pre-order (a folder is reported before its contents), entries of
// one folder in name order. Handlers may let pending window events run; an Execute started
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
    std::string FileName;
    std::string ShortName; // Linux has no 8.3 names: the long name again
    std::int64_t Size = 0;
    bool CreationTimeOk = false; // false when the file system keeps no creation time
    TDateTime CreationTime = 0;
    bool LastWriteTimeOk = false;
    TDateTime LastWriteTime = 0;
    bool LastAccessTimeOk = false;
    TDateTime LastAccessTime = 0;
    bool IsDirectory = false;
    bool IsReadOnly = false;
    bool IsHidden = false;
    bool IsSystem = false;
    bool IsArchive = false;
    bool IsOther = false; // a FIFO, socket or device file (reported only with FindOtherFiles)
};

// The find data of a listing entry, times in local time.
FoundEntry searchFileData(const DirectoryEntry& entry);

class FolderScanner {
public:
    // Called for every file and folder found (folders too: test Data.IsDirectory). Setting
    // Continue to false ends the whole walk at once.
    using TFindFileEvent = std::function<void(FolderScanner& Sender, const std::string& Name,
                                              const FoundEntry& Data, bool& Continue)>;
    // Called for every real sub-folder, before OnFind for it. Skip: neither report the folder
    // to OnFind nor enter it. IgnoreSubdir (starts as !Recursive): don't enter it.
    using TFindDirEvent =
        std::function<void(FolderScanner& Sender, const std::string& Name, const FoundEntry& Data,
                           bool& Skip, bool& IgnoreSubdir)>;

    std::string Directory;          // may be relative; made absolute when the walk starts
    bool Recursive = false;         // walk into sub-folders
    std::string SearchName = "*.*"; // wildcard for every folder; it filters folders as well
    bool FindOtherFiles = false;    // report FIFOs, sockets and device files too (IsOther)
    TFindFileEvent OnFind;
    TFindDirEvent OnFindDir;

    // One complete walk. True when it ran to its end; false when it could not start (a walk
    // is running already, no handler, Directory is no existing folder) or a handler stopped
    // it. Exceptions from handlers pass through, with the walk ended cleanly.
    bool Execute();

    bool Searching() const { return searching_; }

private:
    // Returns false when a handler stopped the walk.
    bool walk(const std::string& folder);

    bool searching_ = false;
    // Folders entered during this walk: symbolic links can lead back to a folder already
    // entered, and walking it again would never end.
    std::set<FileIdentity> entered_;
};

} // namespace pixbako
