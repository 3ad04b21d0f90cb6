// The transfer stage of the import run: one file operation per row, in list order, the copies
// of the next rows overlapping the flushes of the previous ones.
#include "engine/run/ImportRun.h"
#include "engine/run/RunAbort.h"
#include "platform/FileTransfer.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>

namespace pixbako {
namespace {

std::string sourcePath(const FileListRow& row) {
    return withTrailingDelimiter(row[kSourceFolderColumn]) + row[kOldNameColumn];
}

} // namespace

ImportRun::Outcome ImportRun::transferRows() {
    window_.setListRedraw(true);
    window_.repaintList();
    const std::size_t n = fileRowCount(list_);
    // A range of 0..0 would make the bar a busy indicator that never stops.
    window_.setProgressRange(0, static_cast<int>(std::max<std::size_t>(n, 1)));

    // Files this run must not replace, by identity:
    // - the files it has written: a later row with the same destination (two files that got
    //   the same name, or names that a case-insensitive disk takes as one) would lose the
    //   first file for good in move mode;
    // - its own sources: when the save folder is also the read-in folder, a new name can be
    //   the old name of another row, still waiting (or left behind by a failed transfer), and
    //   replacing it would lose that picture before it is moved or copied.
    std::set<FileIdentity> keep;
    for (std::size_t r = 1; r <= n; ++r)
        if (auto identity = fileIdentity(sourcePath(list_[r])))
            keep.insert(*identity);

    // Each folder this run writes into loses what a crashed run left there of our own
    // temporary files, once, before the first file goes in.
    std::set<std::string> cleaned;

    // Rows in flight: copied, their flushes (and a move's read-backs) still running while the
    // next rows are copied. They are finished (named, counted, their errors shown) in row
    // order, and before anything of a later row is shown, so that everything the user sees
    // keeps row order.
    struct InFlight {
        std::size_t row;
        std::string destination;
        std::string folder;
        TransferInFlight transfer;
    };
    std::deque<InFlight> pending;
    std::uint64_t pendingBytes = 0;
    // Finishes the first row in flight; a value when the run stops there (the rows after it
    // are abandoned: their copies are removed, their sources stay).
    auto finishFirst = [&]() -> std::optional<Outcome> {
        InFlight done = std::move(pending.front());
        pending.pop_front();
        pendingBytes -= done.transfer.bytes();
        // Rows finished since this one began may hold its name now.
        auto existing = fileIdentity(done.destination);
        const int result = done.transfer.finish(!(existing && keep.count(*existing)));
        if (result == kTransferCancelled) {
            // Cancelled by the abort flag (an abort request or the close box): no report.
            if (runAbortFlag())
                return Outcome::Abort;
            window_.beep(BeepKind::Exclamation);
            window_.messageBox("処理を中断しました\r\n" + std::to_string(done.row - 1) +
                                   "件のファイルを処理しました",
                               BoxIcon::Warning, BoxButtons::Ok);
            return Outcome::Stop;
        }
        // Any other failure has been shown by the operation itself; the row counts as done.
        countTransfer(done.row, result);
        if (result == 0) {
            if (auto identity = fileIdentity(done.destination))
                keep.insert(*identity);
            if (settings_.copy)
                copiedFolders_.insert(done.folder);
        }
        return std::nullopt;
    };
    // Finishes every row in flight.
    auto finishAll = [&]() -> std::optional<Outcome> {
        while (!pending.empty())
            if (auto stop = finishFirst())
                return stop;
        return std::nullopt;
    };
    // Finishes rows until the next one may begin: one that can't overlap (it waits for a
    // question or does its work in finish) is finished with all before it at once.
    auto makeRoom = [&]() -> std::optional<Outcome> {
        if (!pending.empty() && !pending.back().transfer.overlaps())
            return finishAll();
        while (!pending.empty() &&
               (pending.size() >= kTransfersInFlight || pendingBytes >= kBytesInFlight))
            if (auto stop = finishFirst())
                return stop;
        return std::nullopt;
    };

    for (std::size_t r = 1; r <= n; ++r) {
        const FileListRow& row = list_[r];
        window_.setProgressPosition(static_cast<int>(r));
        window_.setStatusText(row[kOldNameColumn] + "を処理中です    (" + std::to_string(r) + "/" +
                              std::to_string(n) + ")");

        TransferRequest request;
        request.operation = settings_.copy ? FileOperation::Copy : FileOperation::Move;
        request.source = sourcePath(row);
        // joinPath puts exactly one "/" before the name, also when the new folder is empty
        // or ends with its level delimiter.
        const std::string folder = destinationFolder(row);
        request.destination = joinPath(folder, row[kNewNameColumn]);
        request.confirmOverwrite = settings_.overwriteConfirmation;

        if (checkAbort()) {
            if (auto stop = finishAll())
                return *stop;
            return Outcome::Abort;
        }
        window_.showListRow(r);
        if (cleaned.insert(folder).second)
            removeStaleLeftovers(folder);

        // The naming stage could not make this row's folder (or it has gone since): try once
        // more, and when that fails too report why, instead of a transfer error that could
        // only say the folder is missing.
        FolderCreateError folderError;
        if (!createFolderWithParents(folder, &folderError)) {
            if (auto stop = finishAll())
                return *stop;
            showError(std::string(settings_.copy ? "ファイルをコピーできません"
                                                 : "ファイルを移動できません") +
                      "\r\n" + request.source + "\r\n" + folderCreateErrorText(folderError));
            countTransfer(r, static_cast<int>(TransferError::DestinationFolderMissing));
            continue;
        }

        if (auto stop = makeRoom())
            return *stop;
        auto existing = fileIdentity(request.destination);
        request.mayReplace = !(existing && keep.count(*existing));
        pending.push_back({r, request.destination, folder, window_.beginFileOperation(request)});
        pendingBytes += pending.back().transfer.bytes();
        if (!pending.back().transfer.overlaps()) {
            if (auto stop = finishAll())
                return *stop;
        }
    }
    if (auto stop = finishAll())
        return *stop;
    return Outcome::Done;
}

} // namespace pixbako
