#pragma once
// The main window as the import run sees it (IRunWindow): status and progress, the list view,
// the thumbnail box, the running and idle states and the transfers with the window's dialogs.
//
// The options of a run and the saving of the settings stay with the window; the adapter asks
// it. The actions after a run belong to another part: the adapter hands the run's end on
// through completed().
#include "engine/run/RunWindow.h"

#include <QObject>

namespace Ui {
class MainWindow;
}

namespace pixbako {

class FileListModel;
class MainWindow;
struct MainWindowSetup;

class RunWindowAdapter : public QObject, public IRunWindow {
    Q_OBJECT

public:
    // `setup` is the window's own, read on every call: its dialogs may be set after this.
    RunWindowAdapter(MainWindow& window, Ui::MainWindow& form, const MainWindowSetup& setup);
    ~RunWindowAdapter() override;

    // The model of the list view, made with the window's controls.
    void setListModel(FileListModel* model) { model_ = model; }

    // --- IDialogs ---
    void beep(BeepKind kind) override;
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override;

    // --- IRunWindow ---
    void processEvents() override;
    void setStatusText(const std::string& text) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressPosition(int position) override;
    void setListRedraw(bool on) override;
    void repaintList() override;
    void showListRow(std::size_t row) override;
    std::size_t thumbnailCount() override;
    std::vector<std::string> thumbnailSelectedFiles() override;
    std::string thumbnailFileName(std::size_t index) override;
    void thumbnailDelete(std::size_t index) override;
    bool fileSelectionTabActive() override;
    void activateFileSelectionTab() override;
    void saveSettings() override;
    ImportSettings importSettings() override;
    void enterRunningState() override;
    void enterIdleState() override;
    TransferResult shellFileOperation(const TransferRequest& request,
                                      const RunAbortFlag& abort) override;
    TransferInFlight beginFileOperation(const TransferRequest& request,
                                        const RunAbortFlag& abort) override;
    void completionSequence(const RunCompletion& completion) override;
    void saveStoppedRunLog(const RunCompletion& completion) override;
    void closeWindow() override;

signals:
    // A run reached its end: the actions after it run now, before the window returns to idle.
    void completed(const RunCompletion& completion);

private:
    MainWindow& window_;
    Ui::MainWindow* ui;
    const MainWindowSetup& setup_;
    FileListModel* model_ = nullptr;
    bool waitCursor_ = false; // enterRunningState set the hourglass
};

} // namespace pixbako
