#pragma once
// The main window: its controls show the options (bound to them in one place, bindOptions),
// the processed-file list shows the run's planned files, and the run itself (ImportRun) talks to
// the window through its RunWindowAdapter. The file-selection tab is a FileSelectionPage, the
// actions after a run a CompletionSequence; the window puts them together and connects them to
// the controls and to each other in one place (wireParts).
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
#include "settings/ExtendedSettings.h"
#include "settings/OptionsBinding.h"
#include "settings/SettingsFile.h"
#include "settings/SetupWizard.h"
#include "ui/PostRunServices.h"
#include "ui/dialogs/QtDialogs.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTableView;
class QWidget;

namespace Ui {
class MainWindow;
}

namespace pixbako {

class CompletionNotice;
class CompletionSequence;
class FileSelectionPage;
class FileTypesDialog;
class ProcessingNotice;
class RunWindowAdapter;

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
    // The extended settings dialog, shown modally; unset: ExtendedSettingsDialog.
    std::function<void()> openExtendedSettings;
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

// Installed on the application: places the hints of the thumbnail box beside the mouse.
class HintPlacement : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class MainWindow : public QMainWindow, public ISettingsForm, public IWizardHost {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 746;
    static constexpr int kDesignHeight = 555;
    static constexpr int kPanelMinimumHeight = 421;

    explicit MainWindow(MainWindowSetup setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    void startOrStopRun(RunSender sender = RunSender::Interactive);

    // The notices, created after this window; a completion notice that a "-S" run reached
    // while this window was being created is shown by showPendingCompletionNotice.
    void setNotices(ProcessingNotice* processing, CompletionNotice* completion);
    void showPendingCompletionNotice();
    // 0 when every run of this process that ended it or ran from the command line transferred
    // every file; 1 otherwise (a missing folder argument, a stopped run, a file not
    // transferred).
    int exitStatus() const { return failed_ ? 1 : 0; }
    // Set by a command-line run whose settings ask for the program to end; the program start
    // tests it once after the windows are created.
    bool endRequested() const { return endRequested_; }
    ProcessingNotice* processingNotice() const { return processingNotice_; }
    CompletionNotice* completionNotice() const;

    // The parts the window is made of.
    FileSelectionPage& fileSelectionPage() { return *fileSelection_; }
    RunWindowAdapter& runWindow() { return *runWindow_; }
    CompletionSequence& completionSequence() { return *completion_; }

    void saveOptions(const QString& section);

    // --- ISettingsForm: the options as the controls show them, and the window's placement ---
    QWidget* mainWindow() override { return this; }
    IDialogs& dialogs() override { return *setup_.dialogs; }
    QString versionText() const override { return versionText_; }
    QRect workArea() const override;
    Options options() const override { return options_.read(); }
    void applyOptions(const Options& options) override { options_.apply(options); }
    int pageIndex() const override;
    void setPageIndex(int index) override;
    int panelHeight() const override;
    void setPanelHeight(int height) override; // the splitter position; never below 421
    void refreshSamples() override { updateNameSamples(); }
    // Keys of the options that no control shows (none in a complete window).
    std::vector<std::string_view> unboundOptions() const { return options_.unboundKeys(); }

    // --- IWizardHost ---
    void applyWizardAnswers(const Options& options) override;
    QStringList folderDatePatterns() const override;
    QStringList fileDatePatterns() const override;

    // The file types a run of "chosen types" imports; the extension dialog edits them.
    ExtensionChoice& extensionChoice() { return extensionChoice_; }

    // The two extended settings; the extended settings dialog edits them.
    ExtendedSettings& extendedSettings() { return extendedSettings_; }

    // The extension dialog, created once at program start after the window and shown by
    // TYPESETBUTTON.
    void setExtensionDialog(FileTypesDialog* dialog);

    const ImportRun& importRun() const { return run_; }
    QTableView* fileListView() const;

    // The options of a run as the controls hold them, and saving them as the exit command does
    // without closing the window (the run window's side of a run).
    void saveSettings();
    ImportSettings importSettings();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- reactions ---
    // The exit command: empty date patterns become "DDDDD", then INI0 is saved. Only from the
    // exit button or the exit menu item does the window then close.
    void exitProgram();
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
    void openExtendedSettingsDialog();
    void checkCard(); // MainWindowCardCheck.cpp
    void applyProtection();
    void chooseFileTypes();
    void fitToWindowSize();
    void showProcessingNotice(bool on);
    void runCommandLine();
    void loadOptions(const QString& section);

    void setUpControls();
    void bindOptions();        // MainWindowOptions.cpp
    int thumbnailMode() const; // RadioTHM
    void setThumbnailMode(int mode);
    int thumbnailSize() const; // TrackTHM
    void setThumbnailSize(int size);
    int sortType() const; // the box's sortOrder(), 0 to 3
    void setSortType(int type);
    bool sortUp() const; // the box's sortAscending
    void setSortUp(bool up);
    void setDetailedTabOrder();
    void wireParts();
    void placeOverlays();
    void fitListToWholeRows();
    void showTabReaction(int index);
    void enableField(QWidget* field, bool enabled);
    QString pickFolder(const QString& title, const QString& initialFolder);
    void beep(BeepKind kind);
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons);

    MainWindowSetup setup_;
    std::unique_ptr<IDialogs> ownDialogs_;
    HintPlacement hintPlacement_;
    std::unique_ptr<ITransferDialogs> ownTransferDialogs_;
    std::unique_ptr<Ui::MainWindow> ui;
    std::unique_ptr<RunWindowAdapter> runWindow_;
    ImportRun run_;
    std::unique_ptr<SettingsFile> settings_;
    ExtensionChoice extensionChoice_;
    OptionsBinding options_; // every option to the control that shows it
    ExtendedSettings extendedSettings_;
    QPointer<FileTypesDialog> fileTypesDialog_;
    QString versionText_;
    int currentTab_ = -1;
    bool refreshing_ = false; // inside the sample refresh
    bool closing_ = false;    // the close has been accepted; INI0 saved once
    ProcessingNotice* processingNotice_ = nullptr;
    bool failed_ = false;       // see exitStatus
    bool endRequested_ = false; // see endRequested
    std::unique_ptr<FileSelectionPage> fileSelection_;
    std::unique_ptr<CompletionSequence> completion_;
};

} // namespace pixbako
