#pragma once
// The runs that the program's command line asks for at start-up (runCommandLineFolders).
//
// Every argument that names an existing folder is imported, one after another, with the main
// window as sender (so no completion notice), with the saved options and that folder as the
// read-in folder; the window's own options stay as they are. Only the run of the last argument
// may start the program or end Pixbako: "start a program" and "auto exit" are off for the
// others. Without such arguments each
// "-S" or "-s" imports the saved read-in folder as an interactive run; with auto exit on, the
// program then ends. An argument that looks like a folder (doesn't start with "-") but names
// none is reported, so that a script with a mistyped path notices, and so is an empty one (an
// unset variable in a script); options are answered before (ProgramOptions.h).
#include "engine/options/Options.h"
#include "engine/run/Dialogs.h"
#include "engine/run/RunWindow.h"

#include <string>
#include <vector>

namespace pixbako {

// The parts of the main window that the command-line runs use.
class ICommandLineWindow : public IDialogs {
public:
    virtual void showWindow() = 0;
    // The options the window shows.
    virtual Options options() = 0;
    // One run with `settings`, as a press of the run button would run with the window's; true
    // when the run reached its end with every file transferred.
    virtual bool runImport(RunSender sender, const ImportSettings& settings) = 0;
};

struct CommandLineOutcome {
    bool endRequest = false; // the program is to end once its windows are created
    bool failed = false;     // a folder was missing, or some run didn't transfer every file
};

// `unattended`: nobody can see the window (no screen), so the program ends after the runs
// whatever auto exit says: a run from cron or a udev rule never waits in the message loop.
CommandLineOutcome runCommandLineFolders(ICommandLineWindow& window,
                                         const std::vector<std::string>& arguments,
                                         bool unattended);

// The error box text for a folder argument that names no folder.
std::string missingFolderText(const std::string& argument);

} // namespace pixbako
