#pragma once
// Every option of the program in one plain value: what a run reads (ImportSettings) and the
// file-selection tab's view. The settings file stores it (OptionsFile.h), the window shows it
// through one binding of fields to controls, and the wizard, presets and command-line runs
// change it.
//
// A default-constructed Options holds the defaults that a settings file without the key gives
// (ImportSettings{} alone keeps the plain defaults that engine tests build on).
#include "engine/run/ImportSettings.h"

namespace pixbako {

struct Options : ImportSettings {
    Options();

    int thumbnailMode = 1;   // 0 file names, 1 images (stored numbers out of range kept)
    int thumbnailSize = 120; // pixels
    int sortType = 3;        // 0 none, 1 file name, 2 full name, 3 shot date
    bool sortAscending = true;
    bool settingsProtected = false; // no tab, preset or wizard can change the options

    bool operator==(const Options&) const = default;
};

} // namespace pixbako

namespace pixbako {

// The options as the window's controls hold them once applied: a list given an index it has no
// item for chooses none (-1), a radio group likewise, a spin box or slider takes its nearest end,
// the view switches keep their two or four states. A run without a window uses this, so that it
// runs and saves exactly what the window would.
Options withinControlRanges(Options options);

} // namespace pixbako
