// The transfer stage of the import run: one file operation per row, in list order, the copies
// of the next rows overlapping the flushes of the previous ones.
//
// Rows in flight are copied, their flushes (and a move's read-back) still running while the
// next rows are copied. They are finished (named, counted, their errors shown) in row order,
// and before anything of a later row is shown, so that everything the user sees keeps row
// order: the status line, the progress bar and the list's selection show the first row not
// yet finished. A stop abandons the rows in flight: their copies are removed, their sources
// stay, and nothing more is shown.
#include "engine/run/ImportRun.h"
#include "engine/run/RunAbort.h"
#include "platform/AsciiCase.h"
#include "platform/FileTransfer.h"
#include "platform/Leftovers.h"
#include "platform/OpenFileLimit.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <utility>

namespace pixbako {
namespace {

std::string sourcePath(const PlannedFile& row) {
    return withTrailingDelimiter(row.sourceFolder) + row.name;
}

// Descriptors kept free for everything else of the run and the window (folder listings, the
// counter and log files, the window system).
constexpr std::size_t kDescriptorsReserved = 24;

// How many transfers may be in flight: the run's limit, within the descriptors left.
std::size_t transfersAllowed(std::size_t limit) {
    const std::size_t left = openFilesLeft();
    const std::size_t room =
        left > kDescriptorsReserved ? (left - kDescriptorsReserved) / kDescriptorsPerTransfer : 0;
    return std::max<std::size_t>(1, std::min(limit, room));
}

} // namespace

class TransferStage {
public:
    using Outcome = ImportRun::Outcome;

    explicit TransferStage(ImportRun& run)
        : run_(run), window_(run.window_), list_(run.list_), n_(run.list_.size()),
          transfersInFlight_(transfersAllowed(run.inFlightLimits_.transfers)) {}

    Outcome transferAll();

private:
    // The content hash of what a row's copy reads from its source, for the ledger.
    struct ReadHash {
        ContentHasher hasher;
        std::uint64_t bytes = 0;
    };
    struct RowInFlight {
        std::size_t row;
        std::string destination;
        std::string folder;
        TransferInFlight transfer;
        std::unique_ptr<ReadHash> read; // with the ledger only
        std::uint64_t bytes = 0;        // of its copy, counted in pendingBytes_
    };
    // A value: the run stops there.
    using Stop = std::optional<Outcome>;

    void show(std::size_t r);
    bool mayReplace(const std::string& destination) const;
    std::string destinationOf(std::size_t r) const;
    std::size_t shotEnd(std::size_t r) const;
    std::optional<std::pair<std::size_t, TransferError>> shotConflict(std::size_t first,
                                                                      std::size_t end) const;
    Stop holdBackShot(std::size_t first, std::size_t end, std::size_t& next);
    Stop begin(std::size_t r, TransferRequest request, const std::string& folder);
    Stop makeRoom();
    Stop finishFirst();
    Stop finishAll();
    void rowTransferred(const RowInFlight& done, TransferResult result);
    Outcome abandonAll();
    void folderFailed(std::size_t r, const std::string& source, const FolderCreateError& error);
    void count(std::size_t r, TransferResult result);

    ImportRun& run_;
    IRunWindow& window_;
    const std::vector<PlannedFile>& list_;
    const std::size_t n_;
    const std::size_t transfersInFlight_;
    // Files this run must not replace, by identity:
    // - the files it has written: a later row with the same destination (two files that got
    //   the same name, or names that a case-insensitive disk takes as one) would lose the
    //   first file for good in move mode;
    // - its own sources: when the save folder is also the read-in folder, a new name can be
    //   the old name of another row, still waiting (or left behind by a failed transfer), and
    //   replacing it would lose that picture before it is moved or copied (or a picture
    //   imported before, which stays where it is).
    std::set<FileIdentity> keep_;
    // Each folder this run writes into loses what a crashed run left there of our own
    // temporary files, once, before the first file goes in.
    std::set<std::string> cleaned_;
    std::deque<RowInFlight> pending_;
    std::uint64_t pendingBytes_ = 0;
    std::optional<std::size_t> shown_;
};

ImportRun::Outcome ImportRun::transferRows() {
    window_.setListRedraw(true);
    window_.repaintList();
    // A range of 0..0 would make the bar a busy indicator that never stops.
    window_.setProgressRange(0, static_cast<int>(std::max<std::size_t>(list_.size(), 1)));
    return TransferStage(*this).transferAll();
}

ImportRun::Outcome TransferStage::transferAll() {
    for (std::size_t r = 0; r < n_; ++r)
        if (auto identity = fileIdentity(sourcePath(list_[r])))
            keep_.insert(*identity);
    // Files imported before stay where they are: no new name may take their place either.
    for (const PlannedFile& row : run_.alreadyImported_)
        if (auto identity = fileIdentity(sourcePath(row)))
            keep_.insert(*identity);

    const ImportSettings& settings = run_.settings_;
    for (std::size_t r = 0; r < n_; ++r) {
        const PlannedFile& row = list_[r];
        if (pending_.empty())
            show(r);
        TransferRequest request;
        request.operation = settings.copy ? FileOperation::Copy : FileOperation::Move;
        request.source = sourcePath(row);
        // joinPath puts exactly one "/" before the name, also when the new folder is empty
        // or ends with its level delimiter.
        const std::string folder = run_.destinationFolder(row);
        request.destination = joinPath(folder, row.newName);
        request.confirmOverwrite = settings.overwriteConfirmation;

        if (run_.checkAbort())
            return abandonAll();
        if (cleaned_.insert(folder).second)
            removeStaleLeftovers(folder);

        // The naming stage could not make this row's folder (or it has gone since): try once
        // more, and when that fails too report why, instead of a transfer error that could
        // only say the folder is missing.
        FolderCreateError folderError;
        if (!createFolderWithParents(folder, &folderError)) {
            if (auto stop = finishAll())
                return *stop;
            folderFailed(r, request.source, folderError);
            continue;
        }
        if (r == 0 || row.shot != list_[r - 1].shot) {
            std::size_t next = r;
            if (auto stop = holdBackShot(r, shotEnd(r), next))
                return *stop;
            if (next != r) {
                r = next - 1;
                continue;
            }
        }
        if (auto stop = makeRoom())
            return *stop;
        if (auto stop = begin(r, request, folder))
            return *stop;
    }
    if (auto stop = finishAll())
        return *stop;
    return Outcome::Done;
}

// The row being finished (or begun, when none is in flight) on the status line, the progress
// bar and the list.
void TransferStage::show(std::size_t r) {
    if (shown_ == r)
        return;
    shown_ = r;
    // The progress bar and the status line count files from 1.
    window_.setProgressPosition(static_cast<int>(r + 1));
    window_.setStatusText(list_[r].name + "を処理中です    (" + std::to_string(r + 1) + "/" +
                          std::to_string(n_) + ")");
    window_.showListRow(r);
}

bool TransferStage::mayReplace(const std::string& destination) const {
    auto existing = fileIdentity(destination);
    return !(existing && keep_.count(*existing));
}

std::string TransferStage::destinationOf(std::size_t r) const {
    return joinPath(run_.destinationFolder(list_[r]), list_[r].newName);
}

std::size_t TransferStage::shotEnd(std::size_t r) const {
    std::size_t end = r + 1;
    while (end < n_ && list_[end].shot == list_[r].shot)
        ++end;
    return end;
}

// A reason known before any file of the shot of rows [first, end) moves why one of them can't
// go: its new name is a folder, or a file the run must keep, or the name of another member
// (names that differ only in case are one name on many disks). The row and the reason.
std::optional<std::pair<std::size_t, TransferError>>
TransferStage::shotConflict(std::size_t first, std::size_t end) const {
    for (std::size_t r = first; r < end; ++r) {
        const std::string destination = destinationOf(r);
        if (isExistingFolder(destination))
            return std::pair(r, TransferError::DestinationIsFolder);
        if (!mayReplace(destination))
            return std::pair(r, TransferError::DestinationExists);
        for (std::size_t other = first; other < r; ++other)
            if (equalsIgnoringAsciiCase(destinationOf(other), destination))
                return std::pair(r, TransferError::DestinationExists);
    }
    return std::nullopt;
}

// The files of a shot go together or stay together, where that can be known beforehand: when
// one of them can't go for its name, none goes, so that no picture is parted from its other
// files (a RAW from its JPEG, a picture from its metadata) by files of another shot. `next`
// becomes `end` when the shot stays behind. A failure that shows only during a transfer (a full
// disk, a replacement declined) leaves only that file behind, as a stop does: undoing a
// finished move would put the file at risk once more.
TransferStage::Stop TransferStage::holdBackShot(std::size_t first, std::size_t end,
                                                std::size_t& next) {
    if (end - first < 2)
        return std::nullopt;
    // A row in flight may yet take one of the names: it is finished first.
    bool inFlight = false;
    for (const RowInFlight& pending : pending_)
        for (std::size_t r = first; r < end; ++r)
            inFlight = inFlight || equalsIgnoringAsciiCase(pending.destination, destinationOf(r));
    auto conflict = inFlight ? std::nullopt : shotConflict(first, end);
    if (inFlight || conflict) {
        // The rows before are counted before these.
        if (auto stop = finishAll())
            return stop;
        conflict = shotConflict(first, end);
    }
    if (!conflict)
        return std::nullopt;
    const auto [row, error] = *conflict;
    show(first);
    const FileOperation operation = run_.settings_.copy ? FileOperation::Copy : FileOperation::Move;
    run_.showError(transferErrorText(operation, error, 0) + "\r\n" + destinationOf(row) +
                   "\r\nこの撮影のファイルはどれも" +
                   (operation == FileOperation::Copy ? "コピー" : "移動") + "していません");
    for (std::size_t r = first; r < end; ++r)
        count(r, TransferResult::of(error));
    next = end;
    return std::nullopt;
}

TransferStage::Stop TransferStage::begin(std::size_t r, TransferRequest request,
                                         const std::string& folder) {
    show(pending_.empty() ? r : pending_.front().row);
    request.mayReplace = mayReplace(request.destination);
    std::unique_ptr<ReadHash> read;
    const bool hashKnown = r < run_.sourceReads_.size() && run_.sourceReads_[r];
    if (run_.ledger_ && !hashKnown) {
        read = std::make_unique<ReadHash>();
        request.onSourceRead = [hash = read.get()](const char* data, std::size_t size) {
            hash->hasher.update(data, size);
            hash->bytes += size;
        };
    }
    TransferInFlight transfer = window_.beginFileOperation(request, run_.abort_);
    // Out of descriptors: the rows in flight hold them. Finish the oldest and try again; with
    // none left in flight the transfer fails with its own reason.
    while (transfer.outOfDescriptors() && !pending_.empty()) {
        transfer = TransferInFlight();
        if (auto stop = finishFirst())
            return stop;
        show(pending_.empty() ? r : pending_.front().row);
        request.mayReplace = mayReplace(request.destination);
        if (read)
            *read = ReadHash();
        transfer = window_.beginFileOperation(request, run_.abort_);
    }
    const bool overlaps = transfer.overlaps();
    const std::uint64_t bytes = transfer.bytes();
    pendingBytes_ += bytes;
    pending_.push_back(
        {r, request.destination, folder, std::move(transfer), std::move(read), bytes});
    // One that can't overlap (it waits for a question, does its work in finish, or has failed)
    // is finished now, with all before it, so that the next row shows only after it.
    if (!overlaps)
        return finishAll();
    return std::nullopt;
}

// Finishes rows until the next one may begin within the limits of rows and bytes in flight.
TransferStage::Stop TransferStage::makeRoom() {
    while (!pending_.empty() &&
           (pending_.size() >= transfersInFlight_ || pendingBytes_ >= run_.inFlightLimits_.bytes))
        if (auto stop = finishFirst())
            return stop;
    return std::nullopt;
}

// Finishes the first row in flight, and with it those after it whose flushes are over, so that
// they share their folders' flushes (finishTogether).
TransferStage::Stop TransferStage::finishFirst() {
    // A stop that came while earlier rows were finished (their boxes run events) or a
    // termination signal: this row is not named any more.
    if (run_.abort_.stopRequested())
        return abandonAll();
    std::vector<TransferInFlight*> transfers;
    for (RowInFlight& pending : pending_)
        transfers.push_back(&pending.transfer);
    std::optional<std::size_t> cancelled;
    // Rows finished since the first began may hold its name now.
    auto finishedOne = [&](std::size_t i, TransferResult result) {
        if (result.status == TransferStatus::Cancelled) {
            cancelled = i;
            return;
        }
        rowTransferred(pending_[i], result);
        // The window shows the next row while that row's error, if any, is told.
        if (i + 1 < pending_.size())
            show(pending_[i + 1].row);
    };
    const std::size_t finished = finishTogether(
        transfers, mayReplace(pending_.front().destination),
        [this] { return run_.abort_.stopRequested(); }, finishedOne);
    std::size_t lastRow = 0;
    for (std::size_t i = 0; i < finished; ++i) {
        lastRow = pending_.front().row;
        pendingBytes_ -= pending_.front().bytes;
        pending_.pop_front();
    }
    if (cancelled) { // always the last one finished
        // Cancelled by a stop (an abort request, the close box, a signal): no report.
        if (run_.abort_.stopRequested())
            return abandonAll();
        pending_.clear(); // abandoned: their copies are removed, their sources stay
        // The rows before this one are all finished: say how many of them were transferred
        // and why the others were not, as the completion notice does.
        window_.beep(BeepKind::Exclamation);
        window_.messageBox("処理を中断しました\r\n" +
                               completionNoticeText(run_.report_, lastRow, !run_.settings_.copy),
                           BoxIcon::Warning, BoxButtons::Ok);
        return Outcome::Stop;
    }
    if (!pending_.empty())
        show(pending_.front().row);
    return std::nullopt;
}

// A row whose transfer ended otherwise than cancelled: any failure has been shown by the
// transfer itself, and the row counts as done.
void TransferStage::rowTransferred(const RowInFlight& done, TransferResult result) {
    count(done.row, result);
    if (result.done()) {
        if (auto identity = fileIdentity(done.destination))
            keep_.insert(*identity);
        if (run_.settings_.copy)
            run_.copiedFolders_.insert(done.folder);
        if (done.read)
            run_.noteTransferred(
                done.row, done.destination,
                ImportRun::SourceRead{done.read->hasher.digest(), done.read->bytes, std::nullopt});
        else if (done.row < run_.sourceReads_.size())
            run_.noteTransferred(done.row, done.destination, run_.sourceReads_[done.row]);
    }
}

TransferStage::Stop TransferStage::finishAll() {
    while (!pending_.empty())
        if (auto stop = finishFirst())
            return stop;
    return std::nullopt;
}

// The rows in flight are dropped unfinished: each waits for its flush, removes its copy and
// leaves its source where it is. Nothing is shown.
ImportRun::Outcome TransferStage::abandonAll() {
    pending_.clear();
    pendingBytes_ = 0;
    return Outcome::Abort;
}

void TransferStage::folderFailed(std::size_t r, const std::string& source,
                                 const FolderCreateError& error) {
    show(r);
    run_.showError(std::string(run_.settings_.copy ? "ファイルをコピーできません"
                                                   : "ファイルを移動できません") +
                   "\r\n" + source + "\r\n" + folderCreateErrorText(error));
    count(r, TransferResult::of(TransferError::DestinationFolderMissing));
}

// Every row whose transfer ended (not one abandoned) is counted here, in row order.
void TransferStage::count(std::size_t r, TransferResult result) {
    run_.rowsFinished_ = r + 1;
    run_.countTransfer(r, result);
}

} // namespace pixbako
