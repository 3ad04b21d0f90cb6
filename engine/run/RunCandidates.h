#pragma once
// Which files of a read-in folder a folder-mode run takes, as shots. The import run and the card
// check both ask here, so that a card the check calls safe holds nothing a run would still take.
//
//     for (const std::vector<std::string>& shot : folderRunShots(settings))
//         for (const std::string& path : shot) ...   // full paths, in the order of the walk
#include "engine/run/ImportSettings.h"
#include "engine/scan/FolderScanner.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pixbako {

// The walk of a read-in folder. It never enters the save folder (nor a link to it): with
// sub-folders on, a save folder inside the read-in folder would bring every earlier import
// back in. The read-in folder itself is walked even when it is the save folder. Nor does it
// enter a ledger's hidden folder: a move would take the record of imports away with it.
// `onEnter`, when given, is told of each sub-folder the walk enters.
void walkReadInFolder(const std::string& folder, bool recursive, const std::string& saveFolder,
                      const FolderScanner::TFindFileEvent& onFind,
                      const std::function<void(const std::string& folder)>& onEnter = {});

// Whether a run takes a file of this name. `extensionList`: the filter's text when only chosen
// types are taken, null when every type is. Counter files are never imported (a former save
// folder as read-in folder), nor is what a crash left of a copy or a counter file: half a
// picture at best.
bool importableName(std::string_view name, const std::string* extensionList);

using NameTest = std::function<bool(const std::string& name)>;

// A folder walk's findings: every plain file in `files` (the shots filter them), and in
// `notFiles` the FIFOs, sockets and devices found under importable names.
struct FolderFiles {
    std::vector<std::string> files;
    std::vector<std::string> notFiles;
};
FolderFiles findFolderFiles(const std::string& folder, bool recursive,
                            const std::string& saveFolder, const NameTest& importable);

// The candidates as shots: each importable file on its own, or, with `keepTogether`, the files of
// one name in one folder. The filter decides on the pictures; a sidecar comes with an imported
// picture of its shot whatever the filter says, and is filtered as any file when it has none.
std::vector<std::vector<std::string>> shotsOfFiles(const std::vector<std::string>& candidates,
                                                   bool keepTogether, const NameTest& importable);

// The shots a folder-mode run with `settings` takes from its read-in folder (its filter,
// sub-folder rule and shot option; the save folder and the ledger's folder never entered).
std::vector<std::vector<std::string>> folderRunShots(const ImportSettings& settings);

} // namespace pixbako
