#include "engine/run/ImportRun.h"

#include "engine/naming/PathCheck.h"
#include "engine/run/ExtensionFilter.h"
#include "engine/run/RowSort.h"
#include "engine/run/RunAbort.h"
#include "platform/DirectoryListing.h"
#include "platform/FileTime.h"
#include "platform/Paths.h"
#include "platform/TerminationSignals.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace pixbako {

void ImportRun::startOrStopRun(RunSender sender) {
    if (running_) {
        // Once a stop is confirmed the run is settling its rows in flight: ask no more.
        if (!abort_.stopRequested())
            abortRequest();
        return;
    }
    // A run that an abort request has just stopped is still unwinding below this call: a new
    // run must not start inside it.
    if (active_)
        return;
    // After a termination signal the program is ending: no run starts (the next folder of a
    // command line included).
    if (terminationSignal() != 0) {
        report_ = {};
        return;
    }
    active_ = true;
    try {
        run(sender);
    } catch (const std::exception& error) {
        // Nothing below is expected to throw; if something does (memory, say), the window must
        // not stay locked, and what was copied must still reach the disk.
        settleCounterFiles();
        flushCopiedFolders();
        recordFlushedFiles();
        ledger_.reset();
        folderLocks_.release();
        restoreImportedRows();
        showError(error.what());
        if (running_)
            finish();
    }
    active_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        if (running_)
            finish();
        window_.closeWindow();
    }
}

void ImportRun::runWithSettings(RunSender sender, const ImportSettings& settings) {
    if (active_)
        return;
    given_ = settings;
    startOrStopRun(sender);
    given_.reset();
}

bool ImportRun::requestClose() {
    if (!active_)
        return true;
    closeRequested_ = true;
    abort_.set();
    return false;
}

void ImportRun::abortRequest() {
    if (window_.messageBox("中断しますか", BoxIcon::Warning, BoxButtons::YesNo) != BoxAnswer::Yes)
        return;
    // The run stops at its next check, which follows at once, and returns the window to
    // idle once the rows in flight are settled.
    abort_.set();
}

void ImportRun::finish() {
    window_.enterIdleState();
    running_ = false;
    // Moved files disappear from the file-selection tab. After a removal the same position
    // holds the next item.
    for (std::size_t i = 0; i < window_.thumbnailCount();) {
        if (fileExists(window_.thumbnailFileName(i)))
            ++i;
        else
            window_.thumbnailDelete(i);
    }
}

bool ImportRun::checkAbort() {
    window_.processEvents();
    return abort_.stopRequested();
}

void ImportRun::showError(const std::string& message) {
    window_.beep(BeepKind::Hand);
    window_.messageBox(message, BoxIcon::Error, BoxButtons::Ok);
}

void ImportRun::run(RunSender sender) {
    report_ = {};
    rowsFinished_ = 0;
    abort_.clear();
    // Until its first time stamp the run's "tt" and "c" give the empty long time form that the
    // window's samples leave behind.
    dateTexts_.longTimeForm.clear();
    window_.setListRedraw(false);
    window_.enterRunningState();
    running_ = true;
    window_.saveSettings();
    if (given_) {
        // The date patterns as a save leaves them in the window.
        settings_ = *given_;
        settings_.folderDatePattern = datePatternForSave(settings_.folderDatePattern);
        settings_.fileDatePattern = datePatternForSave(settings_.fileDatePattern);
    } else {
        settings_ = window_.importSettings();
    }
    extensionList_ = extensionListText(settings_.extensions);

    if (!validate()) {
        finish();
        return;
    }
    saveFolder_ = withTrailingDelimiter(settings_.saveFolder);
    runTime_ = localDateTimeOf(localNow());
    ledger_.reset();
    ledgerTried_ = false;
    unrecorded_.clear();
    flushedFolders_.clear();
    alreadyImported_.clear();
    sourceReads_.clear();
    openLedger();

    // The mode follows from the thumbnail box alone, whatever tab is active.
    const bool selectionMode = window_.thumbnailCount() > 0;
    list_.clear();
    notFiles_.clear();
    counters_.clear();
    rowNumbers_.clear();
    Outcome outcome = planRows(collectCandidates(selectionMode), selectionMode);
    if (outcome == Outcome::Done && !checkTexts())
        outcome = Outcome::Stop;
    if (outcome == Outcome::Done && !selectionMode && list_.empty() && notFiles_.empty())
        outcome = checkNothingFound();
    if (outcome == Outcome::Done && !selectionMode &&
        !sortRowsByTimeStamp(list_, [this] { return !checkAbort(); }))
        outcome = Outcome::Abort;
    if (outcome == Outcome::Done)
        outcome = setAsideImportedRows();
    if (outcome == Outcome::Done)
        outcome = lockDestinations();
    if (outcome == Outcome::Done) {
        openLedger(); // a save folder made just now
        outcome = nameRows();
    }
    bool transferred = false;
    if (outcome == Outcome::Done) {
        reportNotFiles();
        outcome = transferRows();
        transferred = true;
    }
    // However the transfers ended, the counters give out no number that no file has, what was
    // copied is made durable before the run reports anything, and only then may another run
    // use the folders.
    settleCounterFiles();
    const bool flushed = flushCopiedFolders();
    recordFlushedFiles();
    ledger_.reset();
    folderLocks_.release();
    restoreImportedRows(); // after the counters, which count rows of the transfers

    if (outcome == Outcome::Done && !flushed)
        outcome = Outcome::Stop; // no completion: the copies are not known to be on the disk
    // A signal that came after the last row's check (while its error box was up, or during
    // the flushes) still ends the run as a stop: nobody is left to read a notice, and a
    // program started now would outlive the program's end.
    if (outcome == Outcome::Done && terminationSignal() != 0)
        outcome = Outcome::Abort;
    if (outcome != Outcome::Done) {
        // Nobody may be watching a run that a signal ended: what it did is in its log.
        if (transferred && terminationSignal() != 0 && settings_.writeLog)
            window_.saveStoppedRunLog({sender, settings_, saveFolder_, finishedRows(), report_});
        if (running_)
            finish();
        return;
    }
    report_.reachedEnd = true;
    window_.completionSequence({sender, settings_, saveFolder_, list_, report_});
    finish();
}

std::vector<PlannedFile> ImportRun::finishedRows() const {
    std::vector<PlannedFile> rows = list_;
    rows.resize(std::min(rows.size(), rowsFinished_));
    return rows;
}

bool ImportRun::validate() {
    auto fail = [this](const char* text) {
        window_.beep(BeepKind::Asterisk);
        window_.messageBox(text, BoxIcon::Warning, BoxButtons::Ok);
        return false;
    };
    // Tested on the text as typed, before the delimiter is added.
    if (settings_.saveFolder.empty())
        return fail("保存フォルダを指定して下さい");
    const std::size_t items = window_.thumbnailCount();
    if (window_.fileSelectionTabActive() && items == 0)
        return fail("データ読込みを行ってください");
    if (items > 0 && window_.thumbnailSelectedFiles().empty()) {
        fail("ファイルが1件も選択されていません");
        window_.activateFileSelectionTab();
        return false;
    }
    if (items == 0 && settings_.readInFolder.empty())
        return fail("読込みフォルダを指定して下さい");
    return true;
}

// A folder-mode run that found no file: a read-in folder that isn't there or can't be listed
// is an error; files only in its sub-folders, with sub-folders off, are pointed out. Either way
// the run stops there. A folder that holds nothing to import completes with 0 files.
ImportRun::Outcome ImportRun::checkNothingFound() {
    if (!isExistingFolder(fullPathName(settings_.readInFolder))) {
        showError("読込みフォルダが見つかりません\r\n\r\n" + settings_.readInFolder);
        return Outcome::Stop;
    }
    // The walk takes a folder it can't list (no read permission) for an empty one; a card must
    // not pass for empty when it was never read.
    if (const int error = directoryOpenError(fullPathName(settings_.readInFolder))) {
        showError("読込みフォルダを読み込めません\r\n" + settings_.readInFolder + "\r\n" +
                  std::strerror(error));
        return Outcome::Stop;
    }
    if (settings_.includeSubfolders || !filesInSubfolders())
        return Outcome::Done;
    window_.beep(BeepKind::Asterisk);
    window_.messageBox("読込みフォルダには対象のファイルがありません\r\n"
                       "サブフォルダにあるファイルを読み込むには\r\n"
                       "「サブフォルダ含む」をチェックして下さい\r\n\r\n" +
                           settings_.readInFolder,
                       BoxIcon::Warning, BoxButtons::Ok);
    return Outcome::Stop;
}

// These come after the planning stage, so a bad prefix is reported only after the folder
// has been scanned.
bool ImportRun::checkTexts() {
    return pathchk(saveFolder_, kCheckFullPath, window_) &&
           pathchk(settings_.readInFolder, kCheckFullPath, window_) &&
           pathchk(settings_.filePrefix, kCheckFileName, window_) &&
           pathchk(settings_.middleText, kCheckFileName, window_);
}

} // namespace pixbako
