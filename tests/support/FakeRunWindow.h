#pragma once
// A window for the import run in tests: records every call (beeps, boxes, status texts, list
// redraws, transfers) and answers from scripts. Its transfers are real: shellFileOperation
// calls transferFile with scripted dialogs, wrapped like the real window's so that the abort
// flag cancels a copy in progress, and beginFileOperation beginTransfer with the same.
#include "engine/run/ImportRun.h"
#include "engine/run/RunWindow.h"
#include "support/TransferResultText.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pixbako::test {

struct RecordedBox {
    std::string text;
    BoxIcon icon;
    BoxButtons buttons;
};

struct RecordedCompletion {
    RunSender sender;
    std::size_t rows;
    std::string notice; // the completion notice's text for this run
};

class FakeRunWindow : public IRunWindow {
public:
    // --- scripts ---
    ImportSettings settings;
    std::vector<std::string> thumbnails; // full paths of the thumbnail box's items
    std::vector<bool> selected;          // parallel to thumbnails
    static constexpr int kFileSelectionPage = 2;
    int page = 1; // the page shown: 0 easy run, 1 detailed settings, 2 file selection
    // Answers for message boxes, in order; when empty: Yes for Yes/No boxes, else Ok.
    std::deque<BoxAnswer> answers;
    // Runs inside processEvents (e.g. a second press of the run button).
    std::function<void(FakeRunWindow&)> onProcessEvents;
    // Runs before each transfer (1-based count); a value is returned instead of transferring.
    std::function<std::optional<TransferResult>(const TransferRequest&, std::size_t)> onTransfer;
    // Runs inside the transfer's progressUpdate (1-based transfer count); false = Cancel.
    std::function<bool(std::size_t)> onProgress;
    std::deque<OverwriteAnswer> overwriteAnswers; // Yes when empty
    // Runs inside every box (message boxes and the transfers' error and warning boxes) with
    // its text, before it is answered.
    std::function<void(const std::string&)> onBox;
    // Runs when the completion sequence begins.
    std::function<void()> onCompletion;
    // Runs when the window returns to idle.
    std::function<void()> onExecEND;

    ImportRun* run = nullptr; // for scripts that press the button or close the window

    // --- records ---
    std::vector<BeepKind> beeps;
    std::vector<RecordedBox> boxes;
    std::vector<std::string>
        events; // enterRunningState, enterIdleState, saveSettings, complete, close, ...
    std::vector<std::string> statusTexts;
    std::vector<TransferRequest> transfers;
    std::vector<TransferResult> transferResults;
    std::vector<std::string> transferErrors;   // texts shown by the transfers' error boxes
    std::vector<std::string> transferWarnings; // texts of their warning boxes
    std::vector<RecordedCompletion> completions;
    std::vector<std::size_t> shownRows; // counted from 0
    // Everything the user sees and every transfer's two halves, in their order: "status
    // <text>", "row <r>", "box <text>", "begin <name>", "finish <name> <result>"
    // (describe(result)), "error <name>", "warning <name>", "enterIdleState", "complete", "log
    // <rows>" (names without folders).
    std::vector<std::string> timeline;
    std::vector<std::size_t> stoppedRunLogs; // rows of each saveStoppedRunLog
    int progressMaximum = -1;
    int progressPosition = 0;
    bool redraw = true;
    int processEventsCalls = 0;
    std::vector<std::shared_ptr<ITransferDialogs>> transferDialogs; // alive until the end
    // Transfers whole through shellFileOperation instead of in two halves.
    bool wholeTransfers = false;

    // IDialogs
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override;

    // IRunWindow
    void processEvents() override;
    void setStatusText(const std::string& text) override;
    void setProgressRange(int, int maximum) override { progressMaximum = maximum; }
    void setProgressPosition(int position) override { progressPosition = position; }
    void setListRedraw(bool on) override { redraw = on; }
    void repaintList() override { events.push_back("repaint"); }
    void showListRow(std::size_t row) override;
    std::size_t thumbnailCount() override { return thumbnails.size(); }
    std::vector<std::string> thumbnailSelectedFiles() override;
    std::string thumbnailFileName(std::size_t index) override { return thumbnails.at(index); }
    void thumbnailDelete(std::size_t index) override;
    bool fileSelectionTabActive() override { return page == kFileSelectionPage; }
    void activateFileSelectionTab() override { page = kFileSelectionPage; }
    void saveSettings() override;
    ImportSettings importSettings() override { return settings; }
    void enterRunningState() override { events.push_back("enterRunningState"); }
    void enterIdleState() override;
    TransferResult shellFileOperation(const TransferRequest& request,
                                      const RunAbortFlag& abort) override;
    TransferInFlight beginFileOperation(const TransferRequest& request,
                                        const RunAbortFlag& abort) override;
    void completionSequence(const RunCompletion& completion) override;
    void saveStoppedRunLog(const RunCompletion& completion) override;
    void closeWindow() override { events.push_back("close"); }

    // Helpers for assertions.
    std::vector<std::string> boxTexts() const;
    // Position of the first timeline entry that starts with `prefix`; -1 when none does.
    long firstInTimeline(const std::string& prefix) const;
    long lastInTimeline(const std::string& prefix) const;
    int count(const std::string& event) const;
};

} // namespace pixbako::test
