#pragma once
// Options in the settings file: one options section read into Options and written from it.
//
// Text values are kept as they stand; the older layout (a section whose VER was stored in
// double quotes, or is empty) stored the texts between double quotes, which reading removes.
// Keys missing from the section take their defaults; a stored RUNPARA (of the older layout)
// chooses RUNPARA2's default.
#include "engine/options/Options.h"

#include <string_view>

namespace pixbako {

class IniFile;

// `currentVersion` ("2.1.0.0") stands for a missing VER: such a section is of today's layout.
Options readOptions(const IniFile& ini, std::string_view section, std::string_view currentVersion);

// Writes every key of the section in its order; FNUM1..FNUM3 describe the chosen sequence
// style, VER is `version`. Keys of other sections and unknown keys of this one stay.
void writeOptions(IniFile& ini, std::string_view section, const Options& options,
                  std::string_view version);

} // namespace pixbako
