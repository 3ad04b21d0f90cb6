#pragma once
// What the actions after a run ask of the desktop: the file manager, starting a program, and
// the clock for the log's name. The program leaves them unset and gets the real ones; tests
// record instead of opening windows and starting programs.
#include "platform/DateTime.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace pixbako {

struct PostRunServices {
    // Opens a folder in the file manager; unset: QDesktopServices (nothing without a screen).
    std::function<void(const QString& folder)> openFolder;
    // Starts a program without waiting for it; false when it couldn't be started. Unset:
    // QProcess::startDetached (no shell).
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // The local time for the log file's name; unset: the clock.
    std::function<TDateTime()> now;
};

} // namespace pixbako
