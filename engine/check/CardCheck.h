#pragma once
// Checking a card before it is formatted: for every file that a folder-mode run would take from
// the card (the saved options with the card's folder as read-in folder), does the save folder's
// ledger name a copy that is still there with the same size and content? The copy is read again
// to tell. The check only reads: it never creates the ledger, its folder or anything else.
//
//     ImportSettings settings = savedOptions;
//     settings.readInFolder = cardFolder;
//     CardCheck check = checkCard(settings);   // plain C++: may run on a thread of its own
//     if (check.problem != CardCheckProblem::None) ... cardCheckProblemText(check) ...
//     for (const CheckedFile& file : check.files) ... copyStateWord(file.state) ...
//     ... cardCheckSummary(check) ...
#include "engine/ledger/Ledger.h"
#include "engine/run/ImportSettings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pixbako {

enum class CopyState {
    Ok,      // a recorded copy is in the save folder with the card file's size and content
    Missing, // no record of the file, or its copies are gone
    Changed, // a recorded copy is there, but its bytes are no longer the ones recorded
};

struct CheckedFile {
    std::string path; // as found on the card: a full path
    CopyState state = CopyState::Missing;
};

// Why a check could not be made at all.
enum class CardCheckProblem {
    None,
    FolderMissing,    // the card's folder doesn't exist
    FolderUnreadable, // it, or a sub-folder the run would read, can't be listed
    OnlyInSubfolders, // the files are in sub-folders, which the options leave out
    NoSaveFolder,     // the options name no save folder
    LedgerUnusable,   // the save folder's ledger can't be read (damaged, foreign, newer, locked)
};

struct CardCheck {
    CardCheckProblem problem = CardCheckProblem::None;
    std::string readInFolder; // the card's folder, as given
    std::string unreadable;   // the folder that can't be listed (FolderUnreadable)
    std::string ledgerPath;
    LedgerStatus ledgerStatus = LedgerStatus::Ok;
    std::string detail;             // the system's or SQLite's words for a problem; may be empty
    std::vector<CheckedFile> files; // every file a run would take, in the order of the walk

    std::size_t unverified() const; // files that are not Ok
};

CardCheck checkCard(const ImportSettings& settings);

// "OK", "MISSING" or "CHANGED".
const char* copyStateWord(CopyState state);
// The closing line: every file verified (safe to format), or how many are not.
std::string cardCheckSummary(const CardCheck& check);
// What keeps the check from being made, for a box or standard error.
std::string cardCheckProblemText(const CardCheck& check);
// The program's output for `--check`: one "STATE<TAB>path" line per file, then the summary.
std::string cardCheckListing(const CardCheck& check);
// 0 when every file has a verified copy, 1 when one hasn't, 2 when the check couldn't be made.
int cardCheckExitStatus(const CardCheck& check);

} // namespace pixbako
