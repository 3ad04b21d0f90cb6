#include "engine/check/CardCheck.h"

#include "engine/ledger/ContentHash.h"
#include "engine/run/RunCandidates.h"
#include "platform/DirectoryListing.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

namespace pixbako {
namespace {

// One card file against the ledger. The card file is hashed once, and only when the ledger has
// an entry of its size; every copy with a matching entry is read again, since a copy may have
// been edited or damaged after it was recorded.
CopyState checkFile(Ledger& ledger, const std::string& saveFolder, const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return CopyState::Missing;
    if (!ledger.knowsSize(size))
        return CopyState::Missing;
    const FileHash card = hashFile(path);
    if (card.error != 0)
        return CopyState::Missing;
    bool changed = false;
    for (const LedgerEntry& entry : ledger.findByContent(card.size, card.hash)) {
        const FileHash copy = hashFile(saveFolder + entry.copyPath, true);
        if (copy.error == 0 && copy.size == entry.size && copy.hash == entry.hash)
            return CopyState::Ok;
        // A copy that is there but can't be read is no more a verified copy than an edited one.
        if (copy.error != ENOENT && copy.error != ENOTDIR)
            changed = true;
    }
    return changed ? CopyState::Changed : CopyState::Missing;
}

// The first folder under `folder` that a run with sub-folders would read but that can't be
// listed, with its error: the walk takes such a folder for an empty one, and a card must not
// pass for checked when part of it was never read.
std::optional<std::pair<std::string, int>> unlistableSubfolder(const std::string& folder,
                                                               const std::string& saveFolder) {
    std::optional<std::pair<std::string, int>> found;
    walkReadInFolder(folder, true, saveFolder, {}, [&](const std::string& name) {
        if (!found)
            if (const int error = directoryOpenError(name))
                found.emplace(name, error);
    });
    return found;
}

} // namespace

std::size_t CardCheck::unverified() const {
    return static_cast<std::size_t>(std::count_if(
        files.begin(), files.end(), [](const auto& f) { return f.state != CopyState::Ok; }));
}

CardCheck checkCard(const ImportSettings& settings) {
    CardCheck check;
    check.readInFolder = settings.readInFolder;
    const std::string folder = fullPathName(settings.readInFolder);
    if (settings.readInFolder.empty() || !isExistingFolder(folder)) {
        check.problem = CardCheckProblem::FolderMissing;
        return check;
    }
    // The walk takes a folder it can't list for an empty one: a card must not pass for empty
    // when it was never read.
    if (const int error = directoryOpenError(folder)) {
        check.problem = CardCheckProblem::FolderUnreadable;
        check.unreadable = settings.readInFolder;
        check.detail = std::strerror(error);
        return check;
    }
    if (settings.saveFolder.empty()) {
        check.problem = CardCheckProblem::NoSaveFolder;
        return check;
    }
    const std::string saveFolder = withTrailingDelimiter(settings.saveFolder);
    check.ledgerPath = Ledger::pathFor(saveFolder);
    std::optional<LedgerOpening> opening = Ledger::openExisting(saveFolder);
    if (opening && opening->status != LedgerStatus::Ok) {
        check.problem = CardCheckProblem::LedgerUnusable;
        check.ledgerStatus = opening->status;
        check.detail = opening->detail;
        return check;
    }
    Ledger* ledger = opening ? &*opening->ledger : nullptr;
    ImportSettings walked = settings;
    walked.readInFolder = folder;
    if (settings.includeSubfolders) {
        if (auto unlistable = unlistableSubfolder(folder, saveFolder)) {
            check.problem = CardCheckProblem::FolderUnreadable;
            check.unreadable = unlistable->first;
            check.detail = std::strerror(unlistable->second);
            return check;
        }
    }
    const std::vector<std::vector<std::string>> shots = folderRunShots(walked);
    // A run would stop here and point at the sub-folders: nothing of them has been checked.
    if (shots.empty() && !settings.includeSubfolders) {
        ImportSettings deeper = walked;
        deeper.includeSubfolders = true;
        if (!folderRunShots(deeper).empty()) {
            check.problem = CardCheckProblem::OnlyInSubfolders;
            return check;
        }
    }
    try {
        for (const std::vector<std::string>& shot : shots) {
            for (const std::string& path : shot) {
                // Without a ledger nothing was recorded: no copy is known to exist.
                const CopyState state =
                    ledger ? checkFile(*ledger, saveFolder, path) : CopyState::Missing;
                check.files.push_back({path, state});
            }
        }
    } catch (const LedgerError& error) {
        check.problem = CardCheckProblem::LedgerUnusable;
        check.ledgerStatus = LedgerStatus::Unreadable;
        check.detail = error.what();
        check.files.clear();
    }
    return check;
}

const char* copyStateWord(CopyState state) {
    switch (state) {
    case CopyState::Ok:
        return "OK";
    case CopyState::Changed:
        return "CHANGED";
    case CopyState::Missing:
        break;
    }
    return "MISSING";
}

std::string cardCheckSummary(const CardCheck& check) {
    const std::size_t unverified = check.unverified();
    if (unverified == 0)
        return "このフォルダの" + std::to_string(check.files.size()) +
               "件のファイルはすべて保存先に確認済みのコピーがあります";
    return std::to_string(unverified) + "件のファイルには保存先に確認済みのコピーがありません";
}

std::string cardCheckProblemText(const CardCheck& check) {
    switch (check.problem) {
    case CardCheckProblem::FolderMissing:
        return "読込みフォルダが見つかりません: " + check.readInFolder;
    case CardCheckProblem::FolderUnreadable:
        return "読込みフォルダを読み込めません: " + check.unreadable + " (" + check.detail + ")";
    case CardCheckProblem::OnlyInSubfolders:
        return "読込みフォルダには対象のファイルがありません\r\n"
               "サブフォルダにあるファイルを読み込むには\r\n"
               "「サブフォルダ含む」をチェックして下さい\r\n\r\n" +
               check.readInFolder;
    case CardCheckProblem::NoSaveFolder:
        return "保存フォルダを指定して下さい";
    case CardCheckProblem::LedgerUnusable: {
        std::string text = "取り込みの記録を読み込めません: " + check.ledgerPath + " (" +
                           ledgerStatusText(check.ledgerStatus);
        if (!check.detail.empty())
            text += ": " + check.detail;
        return text + ")";
    }
    case CardCheckProblem::None:
        break;
    }
    return {};
}

std::string cardCheckListing(const CardCheck& check) {
    std::string listing;
    for (const CheckedFile& file : check.files)
        listing += std::string(copyStateWord(file.state)) + "\t" + file.path + "\n";
    return listing + cardCheckSummary(check) + "\n";
}

int cardCheckExitStatus(const CardCheck& check) {
    if (check.problem != CardCheckProblem::None)
        return 2;
    return check.unverified() == 0 ? 0 : 1;
}

} // namespace pixbako
