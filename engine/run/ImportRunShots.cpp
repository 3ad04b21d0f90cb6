// Which files the import run takes, as shots: each file on its own, or, with shots kept
// together, the files of one name in one folder, with the sidecars their pictures bring.
#include "engine/naming/Names.h"
#include "engine/run/ImportRun.h"
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
    std::vector<std::vector<std::string>> shots;
    if (!settings_.keepShotsTogether) {
        for (const std::string& path : candidates)
            if (importableName(fileNameOf(path), selectionMode))
                shots.push_back({path});
        return shots;
    }
    std::set<std::string> planned(candidates.begin(), candidates.end());
    Listings listings;
    for (const std::vector<std::string>& group : groupShots(candidates)) {
        // The filter decides on the pictures; a sidecar comes with an imported picture of its
        // shot whatever the filter says, and is filtered as any file when it has none. The
        // pictures come first in a group.
        std::vector<std::string> shot;
        bool picture = false;
        for (const std::string& path : group) {
            const std::string name = fileNameOf(path);
            const bool sidecar = isSidecarName(name);
            const bool taken = sidecar && picture ? !isTransferLeftoverName(name)
                                                  : importableName(name, selectionMode);
            if (!taken)
                continue;
            picture = picture || !sidecar;
            shot.push_back(path);
        }
        if (selectionMode && picture)
            addSidecarsFromFolder(shot, planned, listings);
        if (!shot.empty())
            shots.push_back(std::move(shot));
    }
    return shots;
}

} // namespace pixbako
