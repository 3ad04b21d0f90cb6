#pragma once
// What the import run needs of its window. The main window's RunWindowAdapter implements it,
// and so do the command-line runs without a screen (HeadlessRuns); engine tests use a fake that
// records every call and scripts the answers.
//
// The processed-file list itself is owned by the run (ImportRun::list()); the window's view
// shows it. Between setListRedraw(false) and the next repaintList() the run changes the list
// freely (rows appear, are exchanged and named), so a view must not read it in between, not
// even while processEvents() lets pending events run: it shows what it took at the last
// repaintList().
#include "engine/run/Dialogs.h"
#include "engine/run/ImportSettings.h"
#include "engine/run/PlannedFile.h"
#include "engine/run/RunSummary.h"
#include "platform/FileTransfer.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pixbako {

// Who started a run; it matters only at its end. A run for a folder named on the command line
// never shows the completion notice, and its auto exit becomes the program's end request.
enum class RunSender { Interactive, CommandLineFolder };

// What the completion sequence (log, folders, program start, auto exit or notice) works on.
class RunAbortFlag;

struct RunCompletion {
    RunSender sender;
    const ImportSettings& settings;       // as read at the start of the run
    const std::string& saveFolder;        // the save folder with its trailing "/"
    const std::vector<PlannedFile>& list; // one row per file of the run
    const RunSummary& summary;            // how many files were transferred, why others were not
};

class IRunWindow : public IDialogs {
public:
    // Lets pending window events run; a second startOrStopRun can arrive from here.
    virtual void processEvents() = 0;

    virtual void setStatusText(const std::string& text) = 0;     // STATUSTEXT
    virtual void setProgressRange(int minimum, int maximum) = 0; // ProgressBar1
    virtual void setProgressPosition(int position) = 0;

    // The list view (StringGrid1): redrawing off while the run builds the list; repaintList
    // shows the list as it is now.
    virtual void setListRedraw(bool on) = 0;
    virtual void repaintList() = 0;
    // Scroll so that `row` (counted from 0) is visible (when it lies below the visible rows, as
    // the last visible one), then select its cells of columns 0 to 4.
    virtual void showListRow(std::size_t row) = 0;

    // The thumbnail box (ThumbnailBox1) of the file-selection tab.
    virtual std::size_t thumbnailCount() = 0;
    virtual std::vector<std::string> thumbnailSelectedFiles() = 0; // full paths, item order
    virtual std::string thumbnailFileName(std::size_t index) = 0;
    virtual void thumbnailDelete(std::size_t index) = 0;

    // The file-selection tab of the window's pages: whether it is the one shown, and showing it.
    virtual bool fileSelectionTabActive() = 0;
    virtual void activateFileSelectionTab() = 0;

    // Saves the settings as the exit command does, without closing the window; empty or
    // one-blank date patterns become "DDDDD" (datePatternForSave) in their fields first.
    virtual void saveSettings() = 0;
    virtual ImportSettings importSettings() = 0;

    // The window's running and idle states: caption "中止", disabled pages and menus ... and
    // back (redraw on and repaint, enabled controls, progress 0, status empty, caption
    // "処理実行"). The run removes vanished files from the thumbnail box after enterIdleState
    // itself.
    virtual void enterRunningState() = 0;
    virtual void enterIdleState() = 0;

    // One file to one full destination path, with the window's overwrite question, progress
    // window, error box and warning box (exclamation beep): transferFile with dialogs that stop
    // the copy (progressUpdate returns false) while the run's abort flag is set, so that closing
    // the window cancels a long copy.
    virtual TransferResult shellFileOperation(const TransferRequest& request,
                                              const RunAbortFlag& abort) = 0;
    // The same in two halves (beginTransfer with the same dialogs), so that the run copies
    // the next row while this one's flush completes. A window that offers only
    // shellFileOperation transfers whole, one row after the other.
    virtual TransferInFlight beginFileOperation(const TransferRequest& request,
                                                const RunAbortFlag& abort) {
        return TransferInFlight::done(shellFileOperation(request, abort));
    }

    // The actions after a run that reached its end, in their order: log, open folders, program
    // start, then auto exit (end request or closing the window) or the completion notice.
    virtual void completionSequence(const RunCompletion& completion) = 0;

    // The log of a run that a termination signal stopped in its transfers (called only when
    // the settings ask for a log): `completion.list` holds the rows finished before the stop.
    // Failures go where nobody has to answer them.
    virtual void saveStoppedRunLog(const RunCompletion& completion) = 0;

    // Closes the window for good; called once a run that requestClose() stopped has unwound.
    virtual void closeWindow() = 0;
};

// A window with nothing to show: no status line, progress bar, list view or thumbnail box, and
// no running state to enter. Runs without a screen and benchmarks derive from it and answer the
// rest.
class RunWindowWithoutView : public IRunWindow {
public:
    void setStatusText(const std::string&) override {}
    void setProgressRange(int, int) override {}
    void setProgressPosition(int) override {}
    void setListRedraw(bool) override {}
    void repaintList() override {}
    void showListRow(std::size_t) override {}
    std::size_t thumbnailCount() override { return 0; }
    std::vector<std::string> thumbnailSelectedFiles() override { return {}; }
    std::string thumbnailFileName(std::size_t) override { return {}; }
    void thumbnailDelete(std::size_t) override {}
    void enterRunningState() override {}
    void enterIdleState() override {}
};

} // namespace pixbako
