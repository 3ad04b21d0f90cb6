// The transfer stage of the import run: one file operation per row, in list order.
#include "engine/run/ImportRun.h"
#include "engine/run/RunAbort.h"
#include "platform/FileTransfer.h"
#include "platform/Leftovers.h"
#include "platform/Paths.h"

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
    window_.setProgressRange(0, static_cast<int>(n));

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

        if (checkAbort())
            return Outcome::Abort;
        window_.showListRow(r);
        if (cleaned.insert(folder).second)
            removeStaleLeftovers(folder);

        // The naming stage could not make this row's folder (or it has gone since): try once
        // more, and when that fails too report why, instead of a transfer error that could
        // only say the folder is missing.
        FolderCreateError folderError;
        if (!createFolderWithParents(folder, &folderError)) {
            showError(std::string(settings_.copy ? "ファイルをコピーできません"
                                                 : "ファイルを移動できません") +
                      "\r\n" + request.source + "\r\n" + folderCreateErrorText(folderError));
            ++report_.failedTransfers;
            continue;
        }

        auto existing = fileIdentity(request.destination);
        request.mayReplace = !(existing && keep.count(*existing));
        const int result = window_.shellFileOperation(request);
        if (result == kTransferCancelled) {
            // Cancelled by the abort flag (an abort request or the close box): no report.
            if (runAbortFlag())
                return Outcome::Abort;
            window_.beep(BeepKind::Exclamation);
            window_.messageBox("処理を中断しました\r\n" + std::to_string(r - 1) +
                                   "件のファイルを処理しました",
                               BoxIcon::Warning, BoxButtons::Ok);
            return Outcome::Stop;
        }
        // Any other failure has been shown by the operation itself; the row counts as done.
        if (result != 0) {
            ++report_.failedTransfers;
        } else {
            if (auto identity = fileIdentity(request.destination))
                keep.insert(*identity);
            if (settings_.copy)
                copiedFolders_.insert(destinationFolder(row));
        }
    }
    return Outcome::Done;
}

} // namespace pixbako
