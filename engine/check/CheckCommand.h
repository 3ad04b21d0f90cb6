#pragma once
// `pixbako --check FOLDER`: the card check with the saved options, without any window. It reads
// the settings file and the save folder's ledger and writes neither: standard output lists each
// file's state and the summary, standard error says why a check could not be made.
#include "engine/post/ProgramOptions.h"

#include <string>

namespace pixbako {

// The check of `folder` with section INI0 of the settings file at `iniPath`. Status 0 when every
// file has a verified copy, 1 when one hasn't, 2 when the check couldn't be made.
ProgramAnswer cardCheckAnswer(const std::string& iniPath, const std::string& folder,
                              const std::string& versionText);

} // namespace pixbako
