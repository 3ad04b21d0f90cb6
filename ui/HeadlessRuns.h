#pragma once
// Command-line runs with nobody to see them (no screen: cron, udev, ssh): the saved options,
// the runs, the actions after them and the final save of the settings, without any window or
// widget, so a QCoreApplication is enough. Boxes go to standard error with their safe answers,
// as they do for a window without a screen, and every file, name, log and message is what the
// window would have produced; only the window's placement in the settings file stays as it was.
#include "engine/datepattern/DateFormat.h"
#include "ui/PostRunServices.h"

#include <QString>

#include <string>
#include <vector>

namespace pixbako {

struct HeadlessSetup {
    QString iniPath;                    // the settings file
    std::vector<std::string> arguments; // the program's arguments, program name excluded
    DateTextSettings dateTexts = japaneseDateTextSettings();
    PostRunServices postRun;
};

// Performs the command-line runs and saves the settings as the program's end does. Returns 0
// when every run transferred every file, 1 otherwise (a missing folder, a stopped run, a file
// not transferred).
int runWithoutWindow(HeadlessSetup setup);

} // namespace pixbako
