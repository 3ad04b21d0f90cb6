#pragma once
// The runs that the program's command line asks for at start-up (runCommandLineFolders).
//
// Every argument that names an existing folder is imported, one after another, with the main
// window as sender (so no completion notice). Only the run of the last argument may start the
// program or end Pixbako: the window's "start a program" and "auto exit" boxes are cleared for
// the others and put back afterwards, as is the read-in folder. Without such arguments each
// "-S" or "-s" imports the saved read-in folder as an interactive run; with auto exit on, the
// program then ends. An argument that looks like a folder (doesn't start with "-") but names
// none is reported, so that a script with a mistyped path notices, and so is an empty one (an
// unset variable in a script); options are answered before (ProgramOptions.h).
#include "engine/run/Dialogs.h"
#include "engine/run/RunWindow.h"

#include <string>
#include <vector>

namespace pixbako {

// The parts of the main window that the command-line runs use.
class ICommandLineWindow : public IDialogs {
public:
    virtual void showWindow() = 0;
    virtual std::string readInFolder() = 0; // ReadInEdit
    virtual void setReadInFolder(const std::string& folder) = 0;
    virtual bool startProgramChecked() = 0; // RunChkBox
    virtual void setStartProgramChecked(bool checked) = 0;
    virtual bool autoExitChecked() = 0; // AutoExitChkBox
    virtual void setAutoExitChecked(bool checked) = 0;
    // One press of the run button; true when the run reached its end with every file
    // transferred.
    virtual bool runImport(RunSender sender) = 0;
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
