#include "support/FakeRunWindow.h"

#include "engine/run/RunAbort.h"

#include <algorithm>

namespace pixbako::test {
namespace {

std::string baseName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

class ScriptedTransferDialogs : public ITransferDialogs {
public:
    ScriptedTransferDialogs(FakeRunWindow& window, std::size_t transfer)
        : window_(window), transfer_(transfer) {}

    OverwriteAnswer askOverwrite(const std::string&) override {
        if (window_.overwriteAnswers.empty())
            return OverwriteAnswer::Yes;
        OverwriteAnswer answer = window_.overwriteAnswers.front();
        window_.overwriteAnswers.pop_front();
        return answer;
    }
    void showError(const std::string& file, const std::string& reason) override {
        window_.transferErrors.push_back(reason);
        window_.timeline.push_back("error " + baseName(file));
        if (window_.onBox)
            window_.onBox(reason);
    }
    void showWarning(const std::string& file, const std::string& reason) override {
        window_.transferWarnings.push_back(reason);
        window_.timeline.push_back("warning " + baseName(file));
        if (window_.onBox)
            window_.onBox(reason);
    }
    void progressStart(const std::string&, std::uint64_t) override {}
    bool progressUpdate(std::uint64_t) override {
        return !window_.onProgress || window_.onProgress(transfer_);
    }
    void progressEnd() override {}

private:
    FakeRunWindow& window_;
    std::size_t transfer_;
};

} // namespace

BoxAnswer FakeRunWindow::messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) {
    boxes.push_back({text, icon, buttons});
    timeline.push_back("box " + text);
    if (onBox)
        onBox(text);
    if (!answers.empty()) {
        BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Yes;
}

void FakeRunWindow::setStatusText(const std::string& text) {
    statusTexts.push_back(text);
    timeline.push_back("status " + text);
}

void FakeRunWindow::showListRow(std::size_t row) {
    shownRows.push_back(row);
    timeline.push_back("row " + std::to_string(row));
}

void FakeRunWindow::processEvents() {
    ++processEventsCalls;
    if (onProcessEvents)
        onProcessEvents(*this);
}

std::vector<std::string> FakeRunWindow::thumbnailSelectedFiles() {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < thumbnails.size(); ++i)
        if (i < selected.size() && selected[i])
            files.push_back(thumbnails[i]);
    return files;
}

void FakeRunWindow::thumbnailDelete(std::size_t index) {
    thumbnails.erase(thumbnails.begin() + static_cast<std::ptrdiff_t>(index));
    if (index < selected.size())
        selected.erase(selected.begin() + static_cast<std::ptrdiff_t>(index));
}

void FakeRunWindow::saveSettings() {
    events.push_back("saveSettings");
    settings.folderDatePattern = datePatternForSave(settings.folderDatePattern);
    settings.fileDatePattern = datePatternForSave(settings.fileDatePattern);
}

void FakeRunWindow::enterIdleState() {
    events.push_back("enterIdleState");
    timeline.push_back("enterIdleState");
    if (onExecEND)
        onExecEND();
    redraw = true;
    progressPosition = 0;
    statusTexts.push_back("");
}

TransferResult FakeRunWindow::shellFileOperation(const TransferRequest& request,
                                                 const RunAbortFlag& abort) {
    transfers.push_back(request);
    const std::size_t number = transfers.size();
    TransferResult result;
    if (auto scripted = onTransfer ? onTransfer(request, number) : std::nullopt) {
        result = *scripted;
    } else {
        ScriptedTransferDialogs answers(*this, number);
        AbortAwareTransferDialogs dialogs(answers, abort);
        result = transferFile(request, dialogs);
    }
    transferResults.push_back(result);
    return result;
}

TransferInFlight FakeRunWindow::beginFileOperation(const TransferRequest& request,
                                                   const RunAbortFlag& abort) {
    if (wholeTransfers)
        return TransferInFlight::done(shellFileOperation(request, abort));
    transfers.push_back(request);
    const std::size_t number = transfers.size();
    const std::string name = baseName(request.source);
    timeline.push_back("begin " + name);
    auto finished = [this, name](TransferResult result) {
        transferResults.push_back(result);
        timeline.push_back("finish " + name + " " + describe(result));
    };
    if (auto scripted = onTransfer ? onTransfer(request, number) : std::nullopt) {
        TransferInFlight transfer = TransferInFlight::done(*scripted);
        transfer.onFinished = finished;
        return transfer;
    }
    auto answers = std::make_shared<ScriptedTransferDialogs>(*this, number);
    auto dialogs = std::make_shared<AbortAwareTransferDialogs>(*answers, abort);
    transferDialogs.push_back(answers);
    transferDialogs.push_back(dialogs);
    TransferInFlight transfer = beginTransfer(request, *dialogs);
    transfer.onFinished = finished;
    return transfer;
}

void FakeRunWindow::completionSequence(const RunCompletion& completion) {
    events.push_back("complete");
    timeline.push_back("complete");
    if (onCompletion)
        onCompletion();
    const std::size_t rows = completion.list.size();
    completions.push_back(
        {completion.sender, rows,
         completionNoticeText(completion.summary, rows, !completion.settings.copy)});
}

void FakeRunWindow::saveStoppedRunLog(const RunCompletion& completion) {
    stoppedRunLogs.push_back(completion.list.size());
    timeline.push_back("log " + std::to_string(completion.list.size()));
}

long FakeRunWindow::firstInTimeline(const std::string& prefix) const {
    for (std::size_t i = 0; i < timeline.size(); ++i)
        if (timeline[i].rfind(prefix, 0) == 0)
            return static_cast<long>(i);
    return -1;
}

long FakeRunWindow::lastInTimeline(const std::string& prefix) const {
    for (std::size_t i = timeline.size(); i-- > 0;)
        if (timeline[i].rfind(prefix, 0) == 0)
            return static_cast<long>(i);
    return -1;
}

std::vector<std::string> FakeRunWindow::boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes)
        texts.push_back(box.text);
    return texts;
}

int FakeRunWindow::count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
}

} // namespace pixbako::test
