#pragma once
// What the actions after a run do with the processed-file list: the folders to open and the
// program to start with its parameter. Pure functions over the list, so that the window only
// hands their results to the desktop.
//
// A "group" is a run of consecutive rows with the same new folder (none with date folders off).
#include "engine/run/ImportSettings.h"
#include "engine/run/PlannedFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pixbako {

// Rows whose new folder differs from the next row's (the row after the last reads as having
// none).
std::size_t groupEnds(const std::vector<PlannedFile>& list);

// One folder per group, in list order: the save folder (with its trailing "/") and the group's
// new folder. The save folder itself when date folders are off; none for an empty list.
std::vector<std::string> foldersToOpen(const std::string& saveFolder,
                                       const std::vector<PlannedFile>& list);

// The one new folder that every file went into (without a trailing "/"), else the save folder
// with its trailing "/".
std::string automaticProgramParameter(const std::string& saveFolder,
                                      const std::vector<PlannedFile>& list);

// The program to start and its arguments: none for an empty parameter, else the parameter as
// one argument (no shell splits it, so blanks in paths are safe).
struct ProgramStart {
    std::string program;
    std::vector<std::string> arguments;
};

// Parameter mode 0 ("無") gives no parameter, 1 ("自動") the automatic one, 2 ("指定") the
// given text.
ProgramStart programStart(const ImportSettings& settings, const std::string& saveFolder,
                          const std::vector<PlannedFile>& list);

enum class ProgramProblem { None, Missing, NotExecutable };

// Whether `path` names a file that this user may execute.
ProgramProblem checkProgram(const std::string& path);

} // namespace pixbako
