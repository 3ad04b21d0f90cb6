#pragma once
// A termination signal (TerminationSignals.h) as the window sees it. A run in progress stops by
// itself at its next check; this closes what is open (boxes and dialogs answered as their
// close box answers them) and then the main window, the way its close box does, so that the
// settings are saved and the program ends, with an exit status that tells the signal.
#include <QObject>

class QSocketNotifier;
class QWidget;

namespace pixbako {

class TerminationWatch final : public QObject {
public:
    // Watches from here on. Made before the main window, whose construction performs the
    // command-line runs: a box of theirs is closed too.
    TerminationWatch();

    // The window to close after the boxes. A signal that came before it was given has closed
    // only the boxes: the caller tests terminationSignal() once the window exists.
    void setMainWindow(QWidget& mainWindow) { mainWindow_ = &mainWindow; }

    // 128 + the signal's number after a termination signal (the shell's convention), else
    // `status`.
    static int exitStatus(int status);

private:
    void closeAll();

    QWidget* mainWindow_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace pixbako
