#pragma once
// How an import run went: how many files it transferred and why the others were not, for the
// completion notice and the program's exit status.
#include <cstddef>
#include <string>

namespace pixbako {

struct RunSummary {
    bool reachedEnd = false;         // the completion sequence ran
    std::size_t transferred = 0;     // rows moved or copied
    std::size_t failedTransfers = 0; // files not transferred, whatever the reason
    // Among failedTransfers:
    std::size_t nameTaken = 0; // the destination name belongs to a file the run must keep
    std::size_t declined = 0;  // the overwrite question was answered No
    std::size_t notFiles = 0;  // named like a picture, but a FIFO, socket or device
    // Not counted as failed: files the save folder's ledger knows, left where they were.
    std::size_t alreadyImported = 0;
    // Errors of every other kind (the transfer or its folder failed).
    std::size_t errors() const { return failedTransfers - nameTaken - declined - notFiles; }

    bool allTransferred() const { return reachedEnd && failedTransfers == 0; }
};

// The completion notice of a run with `rows` file rows. When every file was transferred it is
// "N件のファイルを処理しました"; otherwise it says how many files were transferred and how many
// were not, one line for each reason, and after a move that the others are still where they
// were. Files skipped because the ledger knows them have a line of their own. Lines are
// separated by "\r\n".
std::string completionNoticeText(const RunSummary& summary, std::size_t rows, bool move);

} // namespace pixbako
