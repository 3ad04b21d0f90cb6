#pragma once
// The import run: what one press of the run button does. It plans the run (collects the
// files, gives each its shot date and new folder), sorts the plan by shot date (folder mode),
// names every file (folders, sequence numbers, counter files), and only then transfers the
// files one by one. A stop before the transfer stage therefore leaves every source untouched.
//
// Everything runs on the GUI thread. The run lets window events run after each file; a second
// press of the button arrives from there and becomes an abort request.
//
//     ImportRun run(window);          // the window implements IRunWindow
//     run.startOrStopRun(RunSender::Interactive);
//     view.show(run.list());          // one row per file of the last run
//
// With the option to keep shots together, the files of one name in one folder (RAW + JPEG,
// sidecars) are planned as one shot: one shot date, one folder and one number, the pictures
// before their sidecars. A shot whose new name is known to be taken before its first file moves
// stays behind whole; its number counts as given once any of its files was transferred.
//
// A run holds a lock on every destination folder from before the first counter file is read
// until its last transfer is done: a second run, in this process or another, that wants one of
// them stops with an error before it touches anything.
//
// What a stopped run leaves behind: the list keeps the rows planned (and named) so far;
// folders created while naming stay; files transferred before a cancel or an abort stay at
// their destination, and the rows in flight at the stop are abandoned (their sources stay). The
// window returns to idle only when that is settled. A termination signal stops a run as a
// confirmed abort does, and its log is written of the rows that were finished. Counter files are
// written while naming, before the first transfer, so that a crash can leave a gap in the
// numbers but never a number given twice. Once the transfers are over, a counter file whose
// numbers were not all used (a stop, a failed or refused file) is set back to the last number
// given to a transferred file, or, when no file of its folder was transferred, to exactly what
// it held before the run (no file stays no file).
//
// With the ledger option, the save folder's ledger is opened at the start: a file whose size
// and content the ledger knows is not transferred (it stays where it is, also in move mode) and
// gets no number; its row says so. Every transferred file is recorded, but only once its
// folder has been flushed, so that the ledger never claims a file that a crash could still take
// back. A ledger that can't be used is reported once; the run then imports as without it.
#include "engine/datepattern/DateFormat.h"
#include "engine/ledger/Ledger.h"
#include "engine/run/CounterFile.h"
#include "engine/run/ImportSettings.h"
#include "engine/run/PlannedFile.h"
#include "engine/run/RunAbort.h"
#include "engine/run/RunSummary.h"
#include "engine/run/RunWindow.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/FolderLock.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pixbako {

class ImportRun {
public:
    // `dateTexts`: the locale's record that shot dates are read and names formatted with.
    explicit ImportRun(IRunWindow& window, DateTextSettings dateTexts = japaneseDateTextSettings())
        : window_(window), dateTexts_(std::move(dateTexts)) {}
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    // The run button, the run menu item and the command-line runs. During a run it asks
    // "中断しますか" and, on Yes, stops the run.
    void startOrStopRun(RunSender sender);

    // A run with `settings` in place of the window's (a command-line run of its own read-in
    // folder); the window's options stay as they are. Ignored during a run.
    void runWithSettings(RunSender sender, const ImportSettings& settings);

    // Between enterRunningState and enterIdleState: the button reads "中止" and a press is an abort
    // request.
    bool running() const { return running_; }

    // For the window's close handler. True: no run is active, close now. False: a run is
    // active; it is told to stop (the abort flag also cancels a copy in progress), and once it
    // has unwound the run calls IRunWindow::closeWindow(). Ignore the close event meanwhile.
    bool requestClose();

    // Set while the run is told to stop; the window's transfer dialogs watch it.
    const RunAbortFlag& abortFlag() const { return abort_; }

    // The processed-file list: the files of the last run, in the order of their transfers.
    const std::vector<PlannedFile>& list() const { return list_; }

    // How far the transfers may get ahead of their flushes; the defaults suit every disk, and
    // the number of transfers is held within the descriptors the process has left.
    struct InFlightLimits {
        std::size_t transfers = kTransfersInFlight;
        std::uint64_t bytes = kBytesInFlight;
    };
    void setInFlightLimits(InFlightLimits limits) { inFlightLimits_ = limits; }

    // How the last run went, for the completion notice and the program's exit status.
    using Report = RunSummary;
    const Report& lastReport() const { return report_; }

private:
    friend class TransferStage; // ImportRunTransfer.cpp

    // How a stage ended: go on; stop after a message; or stop without one, because the run
    // was told to (an abort request, the close box, a termination signal).
    enum class Outcome { Done, Stop, Abort };

    void run(RunSender sender);
    void abortRequest();
    void finish(); // enterIdleState of the window, then drop vanished files from the thumbnail box
    bool checkAbort();
    void showError(const std::string& message);

    bool validate();
    std::vector<std::string> collectCandidates(bool selectionMode);
    bool importableName(const std::string& name, bool selectionMode) const;
    bool filesInSubfolders();
    Outcome checkNothingFound();
    void reportNotFiles();
    // The files to import as shots: one file each, or, with shots kept together, the files of
    // one name with the sidecars they bring.
    std::vector<std::vector<std::string>> shotsOf(const std::vector<std::string>& candidates,
                                                  bool selectionMode);
    ShotDate fileShotDate(const std::string& path) const;
    Outcome planRows(const std::vector<std::string>& candidates, bool selectionMode);
    bool checkTexts();
    bool checkNewName(const std::string& name, int mode);
    Outcome lockDestinations();
    Outcome nameRows();
    Outcome transferRows();
    void countTransfer(std::size_t row, TransferResult result);
    std::size_t useCounterFile(const std::string& path);
    void settleCounterFiles();
    bool flushCopiedFolders(); // false when a folder's flush failed (shown already)

    // The ledger (ImportRunLedger.cpp).
    void openLedger();
    void ledgerFailed(const std::string& detail, bool whileRecording = false);
    Outcome setAsideImportedRows();
    void restoreImportedRows();
    // What was read of a row's source: the hash of so many bytes, read by its copy, or before
    // it (by the ledger's check of a file of a known size) when the source was last modified
    // at `modified`.
    struct SourceRead {
        ContentHash hash;
        std::uint64_t bytes = 0;
        std::optional<struct timespec> modified;
    };
    void noteTransferred(std::size_t row, const std::string& destination,
                         const std::optional<SourceRead>& read);
    void recordFlushedFiles();
    std::vector<PlannedFile> finishedRows() const; // the first rowsFinished_ rows
    std::string destinationFolder(const PlannedFile& row) const;

    IRunWindow& window_;
    // Its long time form is the run's own: set for every planned file, read by "tt" and "c".
    DateTextSettings dateTexts_;
    std::vector<PlannedFile> list_;
    ImportSettings settings_;
    std::optional<ImportSettings> given_; // runWithSettings's, for the run it starts
    std::string saveFolder_;              // with its trailing "/"
    std::string extensionList_;
    FolderLocks folderLocks_;              // from before naming to the last transfer
    std::set<std::string> copiedFolders_;  // destination folders that copies were named in
    std::set<std::string> flushedFolders_; // those of them flushed by flushCopiedFolders
    std::vector<std::string> notFiles_;    // FIFOs and the like found under importable names

    // The save folder's ledger, while the run may use it, and whether it has been tried.
    std::optional<Ledger> ledger_;
    bool ledgerTried_ = false;
    LocalDateTime runTime_;
    std::vector<PlannedFile> alreadyImported_; // rows set aside, not transferred
    // By row: the hash read while looking for the file in the ledger, so that its copy need
    // not compute it again.
    std::vector<std::optional<SourceRead>> sourceReads_;
    struct Unrecorded {
        std::string folder; // flushed before the entry is recorded
        LedgerEntry entry;
    };
    std::vector<Unrecorded> unrecorded_; // transferred files waiting for their folder's flush

    // A counter file the naming stage has written, and what it held before the run.
    struct CounterUse {
        std::string path;
        bool beforeKnown = false;          // its earlier bytes could be read (or it was absent)
        std::optional<std::string> before; // its bytes before the run; none: no file
    };
    struct RowNumber {
        std::size_t counter; // index into counters_
        std::int64_t number;
    };
    CounterRecord counterNaming_;                      // the naming fields the counter files get
    std::vector<CounterUse> counters_;                 // of this run
    std::vector<std::optional<RowNumber>> rowNumbers_; // by row: the number a counter gave
    InFlightLimits inFlightLimits_;
    std::size_t rowsFinished_ = 0; // this many rows have been transferred or have failed
    bool running_ = false;
    bool active_ = false; // inside startOrStopRun's run, also after an abort restored the window
    bool closeRequested_ = false;
    RunAbortFlag abort_;
    Report report_;
};

} // namespace pixbako
