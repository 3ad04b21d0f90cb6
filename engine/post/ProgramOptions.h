#pragma once
// The command line's options, answered before any window exists: "--help" prints the usage and
// "--version" the version, and an option the program doesn't know is an error with the usage,
// so that a script with a typing mistake stops at once instead of importing something else.
// Folders and "-S"/"-s" are left to the command-line runs (CommandLine.h).
#include <optional>
#include <string>
#include <vector>

namespace pixbako {

// What the program prints and the status it ends with.
struct ProgramAnswer {
    int status = 0;
    std::string standardOutput;
    std::string standardError;
};

// The answer to "--help" or "--version" (whichever comes first); nullopt without them. Asked
// before the windowing system is started, so that both work without a screen.
std::optional<ProgramAnswer> informationAnswer(const std::vector<std::string>& arguments,
                                               const std::string& versionText);

// The usage error for the first argument that starts with "-" and is neither "-S"/"-s" nor an
// existing folder (status 2); nullopt when there is none. Asked once the windowing system has
// taken its own options (such as "-platform") out of the list.
std::optional<ProgramAnswer> unknownOptionAnswer(const std::vector<std::string>& arguments);

// "--check FOLDER": the folder whose files are checked against the save folder's ledger; no
// value without "--check". With "--check", the arguments must be exactly these two: anything
// else is a usage error (status 2) in `error`.
struct CheckRequest {
    std::string folder;
    std::optional<ProgramAnswer> error;
};
std::optional<CheckRequest> checkRequest(const std::vector<std::string>& arguments);

std::string usageText();

// Writes both texts and returns the status.
int printAnswer(const ProgramAnswer& answer);

} // namespace pixbako
