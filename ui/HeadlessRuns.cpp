#include "ui/HeadlessRuns.h"

#include "engine/post/CommandLine.h"
#include "engine/run/ImportRun.h"
#include "engine/run/RunAbort.h"
#include "settings/SettingsFile.h"
#include "ui/CompletionSequence.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtTransferDialogs.h"

#include <QCoreApplication>

#include <memory>

namespace pixbako {
namespace {

// The window's pages: the runs ask whether the file-selection tab is the one shown.
constexpr int kPageCount = 3;
constexpr int kFirstPage = 1; // the page shown before the settings choose one
constexpr int kFileSelectionPage = 2;

class StandardErrorDialogs final : public IDialogs {
public:
    void beep(BeepKind) override {}
    BoxAnswer messageBox(const std::string& text, BoxIcon, BoxButtons buttons) override {
        writeBoxToStandardError(text);
        return unattendedAnswer(buttons);
    }
};

// The options and the page as the window would hold them, without the window.
class OptionsHolder final : public ISettingsForm {
public:
    explicit OptionsHolder(IDialogs& dialogs) : dialogs_(dialogs) {}

    QWidget* mainWindow() override { return nullptr; }
    IDialogs& dialogs() override { return dialogs_; }
    QString versionText() const override { return QStringLiteral(PIXBAKO_VERSION_TEXT); }
    QRect workArea() const override { return {}; }
    Options options() const override { return options_; }
    void applyOptions(const Options& options) override { options_ = withinControlRanges(options); }
    int pageIndex() const override { return page_; }
    // A tab widget ignores a page it doesn't have.
    void setPageIndex(int index) override {
        if (index >= 0 && index < kPageCount)
            page_ = index;
    }
    int panelHeight() const override { return 0; }
    void setPanelHeight(int) override {}
    void refreshSamples() override {}

private:
    IDialogs& dialogs_;
    Options options_;
    int page_ = kFirstPage;
};

// The import run's window when there is none: the run's settings, transfers and the actions
// after it.
class HeadlessRunWindow final : public RunWindowWithoutView {
public:
    HeadlessRunWindow(OptionsHolder& holder, SettingsFile& settings, IDialogs& dialogs)
        : holder_(holder), settings_(settings), dialogs_(dialogs),
          transferDialogs_(nullptr, dialogs, nullptr, BoxDisplay::StandardError) {}

    // The actions after a run; made after the run, whose report they read.
    void setCompletion(CompletionSequence& completion) { completion_ = &completion; }

    void beep(BeepKind kind) override { dialogs_.beep(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        return dialogs_.messageBox(text, icon, buttons);
    }
    void processEvents() override { QCoreApplication::processEvents(); }
    bool fileSelectionTabActive() override { return holder_.pageIndex() == kFileSelectionPage; }
    void activateFileSelectionTab() override { holder_.setPageIndex(kFileSelectionPage); }
    void saveSettings() override { settings_.saveOnExit(); }
    ImportSettings importSettings() override { return holder_.options(); }
    TransferResult shellFileOperation(const TransferRequest& request,
                                      const RunAbortFlag& abort) override {
        AbortAwareTransferDialogs dialogs(transferDialogs_, abort);
        return transferFile(request, dialogs);
    }
    TransferInFlight beginFileOperation(const TransferRequest& request,
                                        const RunAbortFlag& abort) override {
        auto dialogs = std::make_shared<AbortAwareTransferDialogs>(transferDialogs_, abort);
        TransferInFlight transfer = beginTransfer(request, *dialogs);
        transfer.onFinished = [dialogs](TransferResult) {};
        return transfer;
    }
    void completionSequence(const RunCompletion& completion) override {
        completion_->run(completion);
    }
    void saveStoppedRunLog(const RunCompletion& completion) override {
        completion_->saveStoppedRunLog(completion);
    }
    void closeWindow() override {}

private:
    OptionsHolder& holder_;
    SettingsFile& settings_;
    IDialogs& dialogs_;
    CompletionSequence* completion_ = nullptr;
    QtTransferDialogs transferDialogs_;
};

class HeadlessCommandLine final : public ICommandLineWindow {
public:
    HeadlessCommandLine(OptionsHolder& holder, IDialogs& dialogs, ImportRun& run)
        : holder_(holder), dialogs_(dialogs), run_(run) {}

    void beep(BeepKind kind) override { dialogs_.beep(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        return dialogs_.messageBox(text, icon, buttons);
    }
    void showWindow() override {}
    Options options() override { return holder_.options(); }
    bool runImport(RunSender sender, const ImportSettings& settings) override {
        run_.runWithSettings(sender, settings);
        return run_.lastReport().allTransferred();
    }

private:
    OptionsHolder& holder_;
    IDialogs& dialogs_;
    ImportRun& run_;
};

} // namespace

int runWithoutWindow(HeadlessSetup setup) {
    StandardErrorDialogs dialogs;
    OptionsHolder holder(dialogs);
    SettingsFile settings(holder, setup.iniPath);
    settings.loadOptions(QStringLiteral("INI0"));

    HeadlessRunWindow window(holder, settings, dialogs);
    ImportRun run(window, setup.dateTexts);
    CompletionSequence completion(nullptr, dialogs, setup.postRun, BoxDisplay::StandardError, run);
    window.setCompletion(completion);
    bool failed = false;
    QObject::connect(&completion, &CompletionSequence::endingRunFailed,
                     [&failed] { failed = true; });

    HeadlessCommandLine commandLine(holder, dialogs, run);
    const CommandLineOutcome outcome =
        runCommandLineFolders(commandLine, setup.arguments, /*unattended=*/true);
    if (outcome.failed)
        failed = true;
    // The program's end saves the settings, as closing the window does.
    settings.saveOnExit();
    return failed ? 1 : 0;
}

} // namespace pixbako
