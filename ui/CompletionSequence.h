#pragma once
// The actions after a run that reached its end, in their order: the log, the new folders
// opened, another program started, then auto exit or the completion notice. The run returns
// the window to idle afterwards, whatever happened here.
//
// An auto exit is the window's business: the sequence asks for it through its signals.
#include "engine/run/Dialogs.h"
#include "engine/run/RunWindow.h"
#include "ui/PostRunServices.h"
#include "ui/dialogs/QtDialogs.h"

#include <QObject>

#include <optional>
#include <string>

class QWidget;

namespace pixbako {

class CompletionNotice;
class ImportRun;

class CompletionSequence : public QObject {
    Q_OBJECT

public:
    // `window` is the main window, kept in front while the completion notice is shown; `run`
    // tells whether the ended run transferred every file.
    // `boxDisplay` tells whether there is a screen for the notice and the file manager.
    CompletionSequence(QWidget* window, IDialogs& dialogs, PostRunServices services,
                       BoxDisplay boxDisplay, const ImportRun& run, QObject* parent = nullptr);

    void run(const RunCompletion& completion);
    // The log of a run that a termination signal stopped: the program is ending, so a failure
    // goes to standard error instead of a box.
    void saveStoppedRunLog(const RunCompletion& completion);

    // The notice, created after the main window; a notice that a "-S" run reached while the
    // main window was being created is shown by showPendingNotice.
    void setNotice(CompletionNotice* notice) { notice_ = notice; }
    CompletionNotice* notice() const { return notice_; }
    void showPendingNotice();

signals:
    // An auto exit follows a run that did not transfer every file; emitted before the exit.
    void endingRunFailed();
    // The auto exit of a run of a folder named on the command line: the program is to end once
    // its windows are created.
    void endRequested();
    // The auto exit of an interactive run: the window closes.
    void closeRequested();

private:
    void saveRunLog(const RunCompletion& completion);
    void openNewFolders(const RunCompletion& completion);
    void startProgram(const RunCompletion& completion);
    void showCompletionNotice(const std::string& text);

    QWidget* window_; // null: no window to keep in front
    IDialogs& dialogs_;
    PostRunServices services_;
    BoxDisplay boxDisplay_;
    const ImportRun& run_;
    CompletionNotice* notice_ = nullptr;
    std::optional<std::string> pendingNotice_; // the notice of a "-S" run
};

} // namespace pixbako
