// The planning stage of the import run: the source files and one list row for each.
#include "engine/ledger/Ledger.h"
#include "engine/naming/Names.h"
#include "engine/naming/PathCheck.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/run/ImportRun.h"
#include "engine/run/RunCandidates.h"
#include "engine/run/ShotGroups.h"
#include "engine/scan/FolderScanner.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/CounterName.h"
#include "platform/FileTime.h"
#include "platform/FileTransfer.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

#include <algorithm>
#include <string_view>

namespace pixbako {
std::vector<std::string> ImportRun::collectCandidates(bool selectionMode) {
    if (selectionMode)
        return window_.thumbnailSelectedFiles();
    // A read-in folder that doesn't exist or can't be listed yields nothing (checkNothingFound
    // reports it).
    FolderFiles found =
        findFolderFiles(settings_.readInFolder, settings_.includeSubfolders, saveFolder_,
                        [this](const std::string& name) { return importableName(name, false); });
    notFiles_.insert(notFiles_.end(), found.notFiles.begin(), found.notFiles.end());
    return std::move(found.files);
}

bool ImportRun::importableName(const std::string& name, bool selectionMode) const {
    const bool byType = !selectionMode && settings_.extensionMode == 1;
    return pixbako::importableName(name, byType ? &extensionList_ : nullptr);
}

// Whether the sub-folders of the read-in folder hold a file that a run with sub-folders would
// import; the walk ends at the first one.
bool ImportRun::filesInSubfolders() {
    bool found = false;
    walkReadInFolder(
        settings_.readInFolder, true, saveFolder_,
        [&](FolderScanner&, const std::string& name, const FoundEntry& data, bool& carryOn) {
            if (!data.isDirectory && importableName(fileNameOf(name), false)) {
                found = true;
                carryOn = false;
            }
        });
    return found;
}

// A FIFO, socket or device under a picture's name can't be transferred: each is reported as a
// transfer error would be, and counted as a file not transferred.
void ImportRun::reportNotFiles() {
    const FileOperation operation = settings_.copy ? FileOperation::Copy : FileOperation::Move;
    for (const std::string& path : notFiles_) {
        showError(transferErrorText(operation, TransferError::SourceNotFile, 0) + "\r\n\r\n" +
                  path);
        ++report_.failedTransfers;
        ++report_.notFiles;
    }
}

// A new folder or file name as pathchk checks it; also refused (with the same message) when one
// of its levels is "." or "..", which would name the save folder's parent or the folder itself
// instead of a new one.
bool ImportRun::checkNewName(const std::string& name, int mode) {
    if (!pathchk(name, mode, window_))
        return false;
    const char delimiter = mode == kCheckFolderName ? '\\' : '/';
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(name.find(delimiter, start), name.size());
        const std::string_view level(name.data() + start, end - start);
        if (level == "." || level == "..") {
            window_.beep(BeepKind::Hand);
            window_.messageBox(pathchkMessage(name), BoxIcon::Error, BoxButtons::Ok);
            return false;
        }
        if (end == name.size())
            return true;
        start = end + 1;
    }
}

// The run reads every file's shot date here, with where it came from (a shot's members are
// weighed by it).
ShotDate ImportRun::fileShotDate(const std::string& path) const {
    return readShotDate(path, localNow(), dateParseTexts(dateTexts_), settings_.allFormatDates);
}

ImportRun::Outcome ImportRun::planRows(const std::vector<std::string>& candidates,
                                       bool selectionMode) {
    for (const std::vector<std::string>& shot : shotsOf(candidates, selectionMode)) {
        // One read per file gives the folder name and the time stamp, so they can't disagree
        // even when the file changes meanwhile.
        std::vector<ShotDate> dates;
        std::string sidecarError;
        for (const std::string& path : shot) {
            try {
                dates.push_back(fileShotDate(path));
            } catch (const ShotDateError& error) {
                // Among a card's thousand files the user needs to know which one it was.
                std::string message = error.what();
                if (message.find(path) == std::string::npos)
                    message += "\r\n" + path;
                // A sidecar that a picture brought along takes the shot's date: it must not
                // keep the pictures from being imported. Should it be unreadable, its own
                // transfer fails and says so.
                if (shot.size() > 1 && isSidecarName(fileNameOf(path))) {
                    if (sidecarError.empty())
                        sidecarError = message;
                    continue;
                }
                showError(message);
                return Outcome::Stop;
            }
        }
        if (dates.empty()) { // sidecars only, none readable
            showError(sidecarError);
            return Outcome::Stop;
        }
        const ShotDate shotDateFound = shotDateOfMembers(dates);
        const LocalDateTime shotDate = shotDateFound.value;

        std::string folder;
        if (settings_.dateFolders)
            folder = folderName(settings_.folderPrefix, settings_.folderDatePattern,
                                settings_.folderSuffix, shotDate, dateTexts_);
        const std::size_t shotNumber = list_.empty() ? 0 : list_.back().shot + 1;
        for (const std::string& path : shot) {
            const PathParts split = splitPath(path, "");
            PlannedFile row;
            row.newFolderLevels = folderLevelsOf(folder);
            row.shotDate = shotDate;
            row.shotDateSource = shotDateFound.source;
            setStampTimeForm(dateTexts_);
            row.name = split.name;
            // Folder mode keeps the delimiter at the end of the folder, selection mode doesn't;
            // the transfer adds one where it is missing.
            row.sourceFolder = selectionMode ? split.folder : withTrailingDelimiter(split.folder);
            row.extension = convertExtensionCase(extensionOf(split.name), settings_.extensionCase);
            row.shot = shotNumber;
            list_.push_back(std::move(row));

            if (!checkNewName(folder, kCheckFolderName))
                return Outcome::Stop;
            if (checkAbort())
                return Outcome::Abort;
        }
    }
    return Outcome::Done;
}

} // namespace pixbako
