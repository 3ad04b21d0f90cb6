#pragma once
// The main window: every option of a run lives in its controls (found by objectName), the
// processed-file list shows the run's FileList, and the run itself (ImportRun) talks to the
// window through IRunWindow.
//
// Everything the window would otherwise take from the desktop comes in through MainWindowSetup:
// the settings file, the message boxes, the transfer dialogs, the program arguments and the
// file pickers. The program passes the real ones; tests pass fakes and temporary files.
//
// Reactions are methods named after control and event. They are connected to the signals
// that fire for user changes and for assignments by program alike (toggled, textChanged,
// currentIndexChanged, itemIndexChanged), so setting a control by program runs its reaction
// when the value changes. The two warnings that belong to a mouse click only hang on the
// mouse release itself.
#include "engine/run/ExtensionChoice.h"
#include "engine/run/ImportRun.h"
#include "engine/run/RunWindow.h"
#include "settings/SettingsFile.h"
#include "ui/PostRunServices.h"
#include "ui/dialogs/QtDialogs.h"

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTableView;
class QWidget;

namespace Ui {
class MainWindow;
}

namespace pixbako {

class FileListModel;
class FileTypesDialog;
class ProcessingNotice;
class CompletionNotice;

struct MainWindowSetup {
    QString iniPath; // the settings file
    // Message boxes and beeps; nullptr: the Qt boxes.
    IDialogs* dialogs = nullptr;
    // Overwrite question, progress window and error box of a transfer; nullptr: the Qt ones,
    // which ask their questions through `dialogs`.
    ITransferDialogs* transferDialogs = nullptr;
    QStringList arguments; // the program's arguments, program name excluded
    // The folder picker: title and initial folder in, the chosen folder out (empty: cancelled);
    // unset: FolderPicker.
    std::function<QString(const QString& title, const QString& initialFolder)> pickFolder;
    // The program file dialog: the chosen file's full path (empty: cancelled); unset: a
    // QFileDialog.
    std::function<QString()> pickProgram;
    // The setup wizard and the About dialog, shown modally; unset: SetupWizard and AboutDialog.
    std::function<void()> openWizard;
    std::function<void()> openAbout;
    // The file manager, program start and clock of the actions after a run.
    PostRunServices postRun;
    // Opening a file of the thumbnail box with its program; unset: QDesktopServices.
    std::function<void(const QString& path)> openFile;
    // The locale's month and weekday names, AM/PM and separators for every date the window and
    // its runs read or write; the program start makes them from the user's locale.
    DateTextSettings dateTexts = japaneseDateTextSettings();
    // Where the window's boxes, notices and progress windows go; tests of the real boxes ask
    // for the screen.
    BoxDisplay boxDisplay = BoxDisplay::Automatic;
};

// Set by a command-line run whose settings ask for the program to end; the program start
// tests it once after the windows are created.
bool& programEndRequest();

// Installed on the application: places the hints of the thumbnail box beside the mouse.
class HintPlacement : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class MainWindow : public QMainWindow, public IRunWindow, public ISettingsForm {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 746;
    static constexpr int kDesignHeight = 555;
    static constexpr int kPanelMinimumHeight = 421;

    explicit MainWindow(MainWindowSetup setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- reactions ---
    // The exit command: empty date patterns become "DDDDD", then INI0 is saved. Only from the
    // exit button or the exit menu item does the window then close.
    void exitProgram();
    void startOrStopRun(RunSender sender = RunSender::Interactive);
    void updateProgramStart();
    void updateProgramParameter();
    void updateFileTypeChoice();
    void updateNameSamples(); // the sample refresh
    void updateFolderNaming();
    void updateRenaming();
    void updateNumbering();
    void warnIfNumberingOff();
    void confirmSubfolders();
    void browseReadInFolder();
    void browseSaveFolder();
    void browseProgram();
    void copyReadInFolderToSelectionTab();
    void dropOnReadInFolder(const QStringList& files);
    void dropOnSaveFolder(const QStringList& files);
    void dropOnProgram(const QStringList& files);
    void showEasyRunTab();
    void hideEasyRunTab();
    void showDetailedTab();
    void showFileSelectionTab();
    void openSetupWizard();
    void openSetupWizardFromMenu();
    void openAboutDialog();
    void chooseFileTypes();
    void applyProtection();
    void fitToWindowSize();

    // --- after a run and at start-up (CompletionSequence.cpp, CommandLineRuns.cpp) ---
    void saveRunLog(const RunCompletion& completion);
    void openNewFolders(const RunCompletion& completion);
    void runCommandLine();
    // The notices, created after this window; a completion notice that a "-S" run reached
    // while this window was being created is shown by showPendingCompletionNotice.
    void setNotices(ProcessingNotice* processing, CompletionNotice* completion);
    void showPendingCompletionNotice();
    // 0 when every run of this process that ended it or ran from the command line transferred
    // every file; 1 otherwise (a missing folder argument, a stopped run, a file not
    // transferred).
    int exitStatus() const { return failed_ ? 1 : 0; }
    ProcessingNotice* processingNotice() const { return form4_; }
    CompletionNotice* completionNotice() const { return form6_; }
    // The file-selection tab (MainWindowFileSelection.cpp).
    void readFolderIntoBox();
    void addFolderToBox();
    void dropOnThumbnails(const std::vector<std::string>& files);
    void clearBox();
    void selectAllInBox();
    void clearBoxSelection();
    void showSelectionStatus();
    void showThumbnailHint(QPoint pos);
    void openThumbnailFile();
    void applyViewMode();
    void showChosenThumbnailSize();
    void rebuildThumbnails(bool underNotice);
    void sortByFileName();
    void sortByFolder();
    void sortByShotDate();
    void markSortHeader();

    void loadOptions(const QString& section);
    void saveOptions(const QString& section);

    // --- ISettingsForm: what the settings file uses besides the controls ---
    QWidget& form() override { return *this; }
    ExtensionChoice& extensionChoice() override { return extensionChoice_; }
    IDialogs& dialogs() override { return *setup_.dialogs; }
    QString versionText() const override { return versionText_; }
    QRect workArea() const override;
    int pageIndex() const override;
    void setPageIndex(int index) override;
    int panelHeight() const override;
    void setPanelHeight(int height) override; // the splitter position; never below 421
    int thumbnailMode() const override;       // RadioTHM
    void setThumbnailMode(int mode) override;
    int thumbnailSize() const override; // TrackTHM
    void setThumbnailSize(int size) override;
    int sortType() const override; // the box's Sorted, 0 to 3
    void setSortType(int type) override;
    bool sortUp() const override; // the box's SortUP
    void setSortUp(bool up) override;
    void refreshSamples() override { updateNameSamples(); }

    // The extension dialog, created once at program start after the window and shown by
    // TYPESETBUTTON.
    void setExtensionDialog(FileTypesDialog* dialog);

    const QString& iniPath() const { return setup_.iniPath; }
    const ImportRun& importRun() const { return run_; }
    QTableView* fileListView() const;

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
    int shellFileOperation(const TransferRequest& request, const RunAbortFlag& abort) override;
    TransferInFlight beginFileOperation(const TransferRequest& request,
                                        const RunAbortFlag& abort) override;
    void completionSequence(const RunCompletion& completion) override;
    void saveStoppedRunLog(const RunCompletion& completion) override;
    void closeWindow() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpControls();
    void setDetailedTabOrder();
    void connectControls();
    void placeOverlays();
    void fitListToWholeRows();
    void showTabReaction(int index);
    void enableField(QWidget* field, bool enabled);
    QString pickFolder(const QString& title, const QString& initialFolder);

    void connectDropTargets();
    void startProgram(const RunCompletion& completion);
    void showCompletionNotice(const std::string& text);
    void setUpFileSelection();
    void applyStoredThumbnailSize();
    void loadFiles(const std::string& folder, bool filtered);
    void showProcessingNotice(bool on);
    void setSelectionStatus();

    MainWindowSetup setup_;
    std::unique_ptr<IDialogs> ownDialogs_;
    HintPlacement hintPlacement_;
    std::unique_ptr<ITransferDialogs> ownTransferDialogs_;
    std::unique_ptr<Ui::MainWindow> ui;
    ImportRun run_{*this, setup_.dateTexts};
    std::unique_ptr<SettingsFile> settings_;
    FileListModel* model_ = nullptr;
    ExtensionChoice extensionChoice_;
    QPointer<FileTypesDialog> TYPESET_;
    QString versionText_;
    int currentTab_ = -1;
    bool refreshing_ = false; // inside the sample refresh
    bool waitCursor_ = false; // enterRunningState set the hourglass
    bool closing_ = false;    // the close has been accepted; INI0 saved once
    ProcessingNotice* form4_ = nullptr;
    CompletionNotice* form6_ = nullptr;
    std::optional<std::string> pendingNotice_; // the notice of a "-S" run
    bool failed_ = false;                      // see exitStatus
    QString extraFolder_;                      // the folder last chosen for an additional load
};

} // namespace pixbako
