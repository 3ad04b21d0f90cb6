#include "engine/run/ShotGroups.h"

#include "engine/naming/Names.h"
#include "platform/AsciiCase.h"
#include "platform/Paths.h"

#include <algorithm>
#include <array>
#include <map>

namespace pixbako {
namespace {

constexpr std::array<std::string_view, 6> kSidecarExtensions = {".XMP", ".THM", ".WAV",
                                                                ".AAE", ".PP3", ".DOP"};

// Lower ranks win: a JPEG's EXIF date, then the date a RAW or HEIF picture records, then a
// movie's, and last the time a file was last written.
int dateSourceRank(const ShotDate& date) {
    switch (date.source) {
    case ShotDateSource::Exif:
        return 0;
    case ShotDateSource::Raw:
    case ShotDateSource::Heif:
        return 1;
    case ShotDateSource::Movie:
        return 2;
    case ShotDateSource::FileTime:
        break;
    }
    return 3;
}

} // namespace

bool isSidecarName(std::string_view name) {
    const std::string extension = asciiUpper(extensionOf(name));
    return std::find(kSidecarExtensions.begin(), kSidecarExtensions.end(), extension) !=
           kSidecarExtensions.end();
}

std::string shotKey(std::string_view folder, std::string_view name) {
    const std::size_t extension = extensionOf(name).size();
    if (extension == 0 || extension == name.size())
        return {};
    std::string key(folder);
    key += '/';
    key += asciiUpper(name.substr(0, name.size() - extension));
    return key;
}

std::vector<std::vector<std::string>> groupShots(const std::vector<std::string>& paths) {
    struct Shot {
        std::vector<std::string> pictures;
        std::vector<std::string> sidecars;
        std::vector<std::string> extensions; // upper case
    };
    std::vector<Shot> shots;
    std::map<std::string, std::vector<std::size_t>> byKey; // the shots of each key
    for (const std::string& path : paths) {
        const PathParts split = splitPath(path, "");
        const std::string key = shotKey(split.folder, split.name);
        const std::string extension = asciiUpper(extensionOf(split.name));
        std::size_t index = shots.size();
        if (!key.empty()) {
            std::vector<std::size_t>& candidates = byKey[key];
            auto free = std::find_if(candidates.begin(), candidates.end(), [&](std::size_t s) {
                const auto& taken = shots[s].extensions;
                return std::find(taken.begin(), taken.end(), extension) == taken.end();
            });
            if (free != candidates.end())
                index = *free;
            else
                candidates.push_back(index);
        }
        if (index == shots.size())
            shots.emplace_back();
        Shot& shot = shots[index];
        shot.extensions.push_back(extension);
        (isSidecarName(split.name) ? shot.sidecars : shot.pictures).push_back(path);
    }
    std::vector<std::vector<std::string>> groups;
    groups.reserve(shots.size());
    for (Shot& shot : shots) {
        std::vector<std::string> members = std::move(shot.pictures);
        members.insert(members.end(), shot.sidecars.begin(), shot.sidecars.end());
        groups.push_back(std::move(members));
    }
    return groups;
}

ShotDate shotDateOfMembers(const std::vector<ShotDate>& dates) {
    return *std::min_element(dates.begin(), dates.end(), [](const ShotDate& a, const ShotDate& b) {
        const int rankA = dateSourceRank(a);
        const int rankB = dateSourceRank(b);
        return rankA != rankB ? rankA < rankB : a.value < b.value;
    });
}

} // namespace pixbako
