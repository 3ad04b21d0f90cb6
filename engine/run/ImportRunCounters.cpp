// The import run's account of its transfers: what each row's transfer gave, and the counter
// files set back to the numbers that transferred files really got.
#include "engine/run/ImportRun.h"

#include "platform/AtomicFile.h"
#include "platform/FatAttributes.h"
#include "platform/FileTransfer.h"
#include "platform/Paths.h"
#include "platform/SmallTextFile.h"

#include <cerrno>
#include <unistd.h>

namespace pixbako {

void ImportRun::countTransfer(std::size_t row, TransferResult result) {
    FileOutcome outcome = FileOutcome::Failed;
    if (result.done()) {
        ++report_.transferred;
        outcome = FileOutcome::Transferred;
    } else {
        ++report_.failedTransfers;
        if (result.status == TransferStatus::Skipped) {
            ++report_.declined;
            outcome = FileOutcome::Skipped;
        } else if (result.error == TransferError::DestinationExists) {
            ++report_.nameTaken;
        }
    }
    if (row < list_.size())
        list_[row].outcome = outcome;
}

// Remembers what the counter file held before this run wrote it first.
std::size_t ImportRun::useCounterFile(const std::string& path) {
    for (std::size_t i = 0; i < counters_.size(); ++i)
        if (counters_[i].path == path)
            return i;
    CounterUse use;
    use.path = path;
    SmallTextFileRead read = readSmallTextFile(path);
    if (read.error == 0) {
        use.beforeKnown = true;
        use.before = std::move(read.bytes);
    } else if (read.error == ENOENT) {
        use.beforeKnown = true;
    }
    counters_.push_back(std::move(use));
    return counters_.size() - 1;
}

// A counter whose numbers were all given to transferred files stays as written. Any other holds
// the number of the last transferred file of its folder, or what it held before the run. A
// failure here is not reported: the counter then merely skips some numbers. Runs under the
// folder locks, before they are released.
void ImportRun::settleCounterFiles() {
    std::vector<std::optional<std::int64_t>> lastUsed(counters_.size());
    std::vector<bool> unused(counters_.size(), false);
    std::vector<bool> numbered(counters_.size(), false);
    for (std::size_t r = 0; r < rowNumbers_.size(); ++r) {
        if (!rowNumbers_[r])
            continue;
        const RowNumber& given = *rowNumbers_[r];
        numbered[given.counter] = true;
        // A name that is taken on the disk (a replacement declined, a move that left its
        // source) keeps its number used: the next run must not be offered it again.
        const bool used = r < list_.size() &&
                          (list_[r].outcome == FileOutcome::Transferred ||
                           pathExists(joinPath(destinationFolder(list_[r]), list_[r].newName)));
        if (used)
            lastUsed[given.counter] = given.number;
        else
            unused[given.counter] = true;
    }
    for (std::size_t i = 0; i < counters_.size(); ++i) {
        const CounterUse& use = counters_[i];
        // A counter read for a group stopped before its first number was never written.
        if (!numbered[i] || !unused[i])
            continue;
        if (lastUsed[i]) {
            CounterRecord record = counterNaming_;
            record.lastNumber = *lastUsed[i];
            writeCounterFile(use.path, record);
        } else if (!use.beforeKnown) {
            continue;
        } else if (use.before) {
            if (writeFileAtomically(use.path, *use.before).ok)
                setHiddenAttribute(use.path);
        } else {
            ::unlink(use.path.c_str());
        }
    }
    counters_.clear();
    rowNumbers_.clear();
}

} // namespace pixbako
