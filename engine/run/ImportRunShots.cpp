// Which files the import run takes, as shots: each file on its own, or, with shots kept
// together, the files of one name in one folder, with the sidecars their pictures bring.
#include "engine/naming/Names.h"
#include "engine/run/ImportRun.h"
#include "engine/run/RunCandidates.h"
#include "engine/run/ShotGroups.h"
#include "platform/AsciiCase.h"
#include "platform/DirectoryListing.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

#include <algorithm>
#include <map>
#include <set>

namespace pixbako {
namespace {

using Listings = std::map<std::string, std::vector<DirectoryEntry>>;

// A picture chosen on the file-selection tab brings the sidecars of its name from its folder,
// which the thumbnail box doesn't show. `planned`: every file of the run so far, so that no
// file is taken twice; a folder is listed once.
void addSidecarsFromFolder(std::vector<std::string>& shot, std::set<std::string>& planned,
                           Listings& listings) {
    const PathParts first = splitPath(shot.front(), "");
    const std::string key = shotKey(first.folder, first.name);
    if (key.empty())
        return;
    auto listed = listings.find(first.folder);
    if (listed == listings.end())
        listed =
            listings
                .emplace(first.folder,
                         listDirectory(first.folder, "*.*").value_or(std::vector<DirectoryEntry>{}))
                .first;
    std::vector<std::string> extensions;
    for (const std::string& member : shot)
        extensions.push_back(asciiUpper(extensionOf(fileNameOf(member))));
    for (const DirectoryEntry& entry : listed->second) {
        if (entry.isDirectory || !isSidecarName(entry.name) || isTransferLeftoverName(entry.name) ||
            shotKey(first.folder, entry.name) != key)
            continue;
        const std::string extension = asciiUpper(extensionOf(entry.name));
        if (std::find(extensions.begin(), extensions.end(), extension) != extensions.end())
            continue; // the shot has a file of that extension already
        const std::string path = joinPath(first.folder, entry.name);
        if (!planned.insert(path).second)
            continue;
        extensions.push_back(extension);
        shot.push_back(path);
    }
}

} // namespace

std::vector<std::vector<std::string>> ImportRun::shotsOf(const std::vector<std::string>& candidates,
                                                         bool selectionMode) {
    std::vector<std::vector<std::string>> shots =
        shotsOfFiles(candidates, settings_.keepShotsTogether,
                     [&](const std::string& name) { return importableName(name, selectionMode); });
    if (!selectionMode || !settings_.keepShotsTogether)
        return shots;
    std::set<std::string> planned(candidates.begin(), candidates.end());
    Listings listings;
    for (std::vector<std::string>& shot : shots)
        if (std::any_of(shot.begin(), shot.end(),
                        [](const std::string& path) { return !isSidecarName(fileNameOf(path)); }))
            addSidecarsFromFolder(shot, planned, listings);
    return shots;
}

} // namespace pixbako
