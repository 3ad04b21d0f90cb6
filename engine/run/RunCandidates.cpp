#include "engine/run/RunCandidates.h"

#include "engine/ledger/Ledger.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/run/ShotGroups.h"
#include "platform/CounterName.h"
#include "platform/FileTransfer.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

namespace pixbako {

void walkReadInFolder(const std::string& folder, bool recursive, const std::string& saveFolder,
                      const FolderScanner::TFindFileEvent& onFind,
                      const std::function<void(const std::string& folder)>& onEnter) {
    const std::optional<FileIdentity> save = fileIdentity(saveFolder);
    FolderScanner search;
    search.directory = folder;
    search.recursive = recursive;
    search.searchName = "*.*";
    search.findOtherFiles = true;
    search.onFindDir = [&](FolderScanner&, const std::string& name, const FoundEntry&, bool& skip,
                           bool&) {
        skip = (save && fileIdentity(name) == save) || Ledger::isLedgerFolder(name);
        if (!skip && onEnter)
            onEnter(name);
    };
    search.onFind = onFind;
    search.run();
}

bool importableName(std::string_view name, const std::string* extensionList) {
    if (extensionList && !extensionAccepted(name, *extensionList))
        return false;
    return name != kCounterFileName && !isTransferLeftoverName(name);
}

FolderFiles findFolderFiles(const std::string& folder, bool recursive,
                            const std::string& saveFolder, const NameTest& importable) {
    FolderFiles found;
    walkReadInFolder(folder, recursive, saveFolder,
                     [&](FolderScanner&, const std::string& name, const FoundEntry& data, bool&) {
                         if (data.isOther) {
                             // Not a file to read: reported as not transferred, never opened.
                             if (importable(fileNameOf(name)))
                                 found.notFiles.push_back(name);
                         } else if (!data.isDirectory) {
                             found.files.push_back(name);
                         }
                     });
    return found;
}

std::vector<std::vector<std::string>> shotsOfFiles(const std::vector<std::string>& candidates,
                                                   bool keepTogether, const NameTest& importable) {
    std::vector<std::vector<std::string>> shots;
    if (!keepTogether) {
        for (const std::string& path : candidates)
            if (importable(fileNameOf(path)))
                shots.push_back({path});
        return shots;
    }
    for (const std::vector<std::string>& group : groupShots(candidates)) {
        // The pictures come first in a group.
        std::vector<std::string> shot;
        bool picture = false;
        for (const std::string& path : group) {
            const std::string name = fileNameOf(path);
            const bool sidecar = isSidecarName(name);
            const bool taken =
                sidecar && picture ? !isTransferLeftoverName(name) : importable(name);
            if (!taken)
                continue;
            picture = picture || !sidecar;
            shot.push_back(path);
        }
        if (!shot.empty())
            shots.push_back(std::move(shot));
    }
    return shots;
}

std::vector<std::vector<std::string>> folderRunShots(const ImportSettings& settings) {
    const std::string extensionList = extensionListText(settings.extensions);
    const std::string* filter = settings.extensionMode == 1 ? &extensionList : nullptr;
    const NameTest importable = [filter](const std::string& name) {
        return importableName(name, filter);
    };
    const FolderFiles found =
        findFolderFiles(settings.readInFolder, settings.includeSubfolders,
                        withTrailingDelimiter(settings.saveFolder), importable);
    return shotsOfFiles(found.files, settings.keepShotsTogether, importable);
}

} // namespace pixbako
