// The import run and the save folder's ledger: files imported before are set aside before
// naming, and every transferred file is recorded once its folder is on the disk.
#include "engine/run/ImportRun.h"

#include "platform/FileTime.h"
#include "platform/FileTransfer.h"
#include "platform/Paths.h"

#include <algorithm>
#include <set>
#include <sys/stat.h>

namespace pixbako {
namespace {

// Entries waiting for their folder's flush are recorded in batches of this many while the run
// goes on, so that a crash late in a long run doesn't lose the record of its early files.
constexpr std::size_t kRecordBatch = 256;

LocalDateTime localTimeOf(const struct timespec& time) {
    const auto local = localDateTime({time.tv_sec, time.tv_nsec});
    return local ? localDateTimeOf(*local) : LocalDateTime{};
}

} // namespace

// Opened once per run, when the save folder exists (a first run into a new save folder opens
// it after naming has made the folder: there is nothing to skip before).
void ImportRun::openLedger() {
    if (!settings_.ledger || ledgerTried_ || ledger_ || !isExistingFolder(saveFolder_))
        return;
    ledgerTried_ = true;
    LedgerOpening opening = Ledger::open(saveFolder_);
    if (opening.status == LedgerStatus::Ok) {
        ledger_ = std::move(opening.ledger);
        return;
    }
    std::string detail = ledgerStatusText(opening.status);
    if (!opening.detail.empty())
        detail += "\r\n" + opening.detail;
    ledgerFailed(detail);
}

// Said once per run; the run goes on as without the option, and the database stays as it is.
void ImportRun::ledgerFailed(const std::string& detail, bool whileRecording) {
    ledger_.reset();
    unrecorded_.clear();
    window_.beep(BeepKind::Exclamation);
    // Files set aside before the failure stay set aside: they were found in the ledger.
    window_.messageBox("取り込みの記録を使えません\r\n" + Ledger::pathFor(saveFolder_) + "\r\n" +
                           detail +
                           (whileRecording ? "\r\nこの後に取り込むファイルは記録されません"
                                           : "\r\n取り込み済みのファイルも取り込みます"),
                       BoxIcon::Warning, BoxButtons::Ok);
}

// Candidates are found by size, and only a file whose size the ledger knows is read to compare
// its content hash. The rows set aside keep their order; they come back in front of the list
// when the transfers are over.
ImportRun::Outcome ImportRun::setAsideImportedRows() {
    alreadyImported_.clear();
    if (!ledger_)
        return Outcome::Done;
    std::vector<bool> imported(list_.size(), false);
    sourceReads_.assign(list_.size(), std::nullopt);
    try {
        for (std::size_t r = 0; r < list_.size(); ++r) {
            if (checkAbort())
                return Outcome::Abort;
            const std::string path = joinPath(list_[r].sourceFolder, list_[r].name);
            struct stat status {};
            if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
                !ledger_->knowsSize(static_cast<std::uint64_t>(status.st_size)))
                continue;
            const FileHash read = hashFile(path);
            if (read.error != 0)
                continue;
            imported[r] = ledger_->isImported(read.size, read.hash);
            // Cameras that write files of one size make every new file a candidate: its hash
            // is kept for its copy, valid while the file keeps its time.
            sourceReads_[r] = SourceRead{read.hash, read.size, status.st_mtim};
        }
    } catch (const LedgerError& error) {
        // Nothing is skipped on half an answer: every file is imported.
        ledgerFailed(error.what());
        return Outcome::Done;
    }
    std::vector<PlannedFile> kept;
    std::vector<std::optional<SourceRead>> keptReads;
    for (std::size_t r = 0; r < list_.size(); ++r) {
        PlannedFile& row = list_[r];
        if (!imported[r]) {
            kept.push_back(std::move(row));
            keptReads.push_back(std::move(sourceReads_[r]));
            continue;
        }
        row.newFolderLevels.clear();
        row.newName = kAlreadyImportedName;
        row.outcome = FileOutcome::AlreadyImported;
        alreadyImported_.push_back(std::move(row));
    }
    list_ = std::move(kept);
    sourceReads_ = std::move(keptReads);
    report_.alreadyImported = alreadyImported_.size();
    return Outcome::Done;
}

void ImportRun::restoreImportedRows() {
    if (alreadyImported_.empty())
        return;
    list_.insert(list_.begin(), std::make_move_iterator(alreadyImported_.begin()),
                 std::make_move_iterator(alreadyImported_.end()));
    rowsFinished_ += alreadyImported_.size();
    alreadyImported_.clear();
    window_.repaintList();
}

// A transferred file's entry: its size and time from the file now under the new name (the
// copy keeps the source's), and the hash of the bytes read from the source (by the copy, or
// before it by the search of the ledger, while the file kept its time), or, where neither read
// the whole file once (a move by rename), of the file itself.
void ImportRun::noteTransferred(std::size_t row, const std::string& destination,
                                const std::optional<SourceRead>& read) {
    if (!ledger_ || row >= list_.size())
        return;
    struct stat status {};
    if (::stat(destination.c_str(), &status) != 0)
        return;
    LedgerEntry entry;
    entry.size = static_cast<std::uint64_t>(status.st_size);
    const bool sameTime = !read || !read->modified ||
                          (read->modified->tv_sec == status.st_mtim.tv_sec &&
                           read->modified->tv_nsec == status.st_mtim.tv_nsec);
    if (read && read->bytes == entry.size && sameTime) {
        entry.hash = read->hash;
    } else {
        const FileHash file = hashFile(destination);
        if (file.error != 0 || file.size != entry.size)
            return;
        entry.hash = file.hash;
    }
    const PlannedFile& planned = list_[row];
    entry.copyPath = destination.substr(std::min(saveFolder_.size(), destination.size()));
    entry.shotDate = planned.shotDate;
    entry.shotDateSource = planned.shotDateSource;
    entry.sourceName = planned.name;
    entry.sourceTime = localTimeOf(status.st_mtim);
    entry.runTime = runTime_;
    unrecorded_.push_back({destinationFolder(planned), std::move(entry)});
    if (unrecorded_.size() >= kRecordBatch)
        recordFlushedFiles();
}

// Flushes the folders of the files waiting to be recorded (but those the run has just flushed
// for its copies) and records, in one transaction, the files whose folder reached the disk. A
// folder that fails its flush records nothing: those files are imported again by a later run,
// which is safe, where a record of a name the disk may lose is not.
void ImportRun::recordFlushedFiles() {
    std::set<std::string> flushed;
    std::set<std::string> failed;
    std::vector<LedgerEntry> entries;
    for (const Unrecorded& file : unrecorded_) {
        if (!flushed.count(file.folder) && !failed.count(file.folder)) {
            if (flushedFolders_.count(file.folder) || flushFolderToDisk(file.folder) == 0)
                flushed.insert(file.folder);
            else
                failed.insert(file.folder);
        }
        if (flushed.count(file.folder))
            entries.push_back(file.entry);
    }
    unrecorded_.clear();
    flushedFolders_.clear(); // names made from now on are not flushed yet
    if (!ledger_)
        return;
    try {
        ledger_->record(entries);
    } catch (const LedgerError& error) {
        ledgerFailed(error.what(), true);
    }
}

} // namespace pixbako
