// The planning stage of the import run: the source files and one list row for each.
#include "engine/naming/Names.h"
#include "engine/naming/PathCheck.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/run/ImportRun.h"
#include "engine/scan/SearchFile.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

namespace pixbako {
namespace {

struct SplitPath {
    std::string folder; // without a trailing "/", except for the root itself
    std::string name;
};

SplitPath splitPath(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {"", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

std::vector<std::string> ImportRun::collectCandidates(bool selectionMode) {
    if (selectionMode)
        return window_.thumbnailSelectedFiles();
    std::vector<std::string> candidates;
    TSearchFile search;
    search.Directory = settings_.readInFolder;
    search.Recursive = settings_.includeSubfolders;
    search.SearchName = "*.*";
    search.OnFind = [&](TSearchFile&, const std::string& name, const TSearchFileData& data, bool&) {
        if (!data.IsDirectory)
            candidates.push_back(name);
    };
    // A read-in folder that doesn't exist yields nothing: the run completes with 0 files.
    search.Execute();
    return candidates;
}

ImportRun::Outcome ImportRun::planRows(const std::vector<std::string>& candidates,
                                       bool selectionMode) {
    for (const std::string& path : candidates) {
        SplitPath split = splitPath(path);
        if (!selectionMode && settings_.extensionMode == 1 &&
            !extensionAccepted(split.name, extensionList_))
            continue;
        // Counter files are never imported (a former save folder as read-in folder).
        if (split.name == "PXBK")
            continue;
        // Nor is what a crash left of a copy or a counter file: half a picture at best.
        if (isTransferLeftoverName(split.name))
            continue;

        // One read gives the folder name and both halves of the time stamp, so they can't
        // disagree even when the file changes meanwhile.
        TDateTime shotDate = 0;
        try {
            shotDate = EXIFDATE(path);
        } catch (const ShotDateError& error) {
            // Among a card's thousand files the user needs to know which one it was.
            std::string message = error.what();
            if (message.find(path) == std::string::npos)
                message += "\r\n" + path;
            showError(message);
            return Outcome::Stop;
        }

        FileListRow row;
        if (settings_.dateFolders)
            row[kNewFolderColumn] = folderName(settings_.folderPrefix, settings_.folderDatePattern,
                                               settings_.folderSuffix, shotDate);
        row[kTimeStampColumn] = timeStamp(shotDate);
        row[kOldNameColumn] = split.name;
        // Folder mode keeps the delimiter at the end of the folder, selection mode doesn't;
        // the transfer adds one where it is missing.
        row[kSourceFolderColumn] =
            selectionMode ? split.folder : withTrailingDelimiter(split.folder);
        row[kExtensionColumn] =
            convertExtensionCase(extensionOf(split.name), settings_.extensionCase);
        list_.push_back(std::move(row));

        if (!pathchk(list_.back()[kNewFolderColumn], kCheckFolderName, window_))
            return Outcome::Stop;
        if (checkAbort())
            return Outcome::Abort;
    }
    return Outcome::Done;
}

} // namespace pixbako
