#pragma once
// The ledger of a save folder: which files were imported into it, with the size and content
// hash of the bytes read from the source, so that a later run can skip a file imported before
// (even when its copy has since been deleted) and a card can be checked before it is
// formatted. One SQLite database per save folder, at `<save>/.pixbako/imports.sqlite`, in WAL
// mode; each recorded file is its own transaction, so a crash loses at most the row being
// written and never leaves half of one.
//
//     LedgerOpening opening = Ledger::open("/photos/");
//     if (opening.status != LedgerStatus::Ok)
//         ...                               // say so once, import without skipping
//     for (const LedgerEntry& entry : opening.ledger->findBySize(size)) ...
//     opening.ledger->record(entry);        // once the copy is named and its folder flushed
//
// A database that is not ours, is damaged, or was written by a newer release is never changed:
// open() reports it and gives no ledger.
#include "engine/ledger/ContentHash.h"
#include "engine/shotdate/ShotDate.h"
#include "platform/DateTime.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;

namespace pixbako {

// One imported file. Paths and names are kept as the bytes found on disk (not necessarily
// UTF-8); the copy's path is relative to the save folder, with "/" between folders.
struct LedgerEntry {
    std::string copyPath;
    std::uint64_t size = 0;
    ContentHash hash;
    LocalDateTime shotDate;
    ShotDateSource shotDateSource = ShotDateSource::FileTime;
    std::string sourceName;   // the source file's name on the card
    LocalDateTime sourceTime; // the source file's last-write time
    LocalDateTime runTime;    // when the run that imported it started

    bool operator==(const LedgerEntry&) const = default;
};

enum class LedgerStatus {
    Ok,
    Unreadable,  // can't be opened or created, or not a database (damaged, another kind of file)
    Locked,      // another program holds the database
    ReadOnly,    // ours, but can't be written
    Foreign,     // a database with another schema: not ours
    NewerSchema, // ours, written by a newer release
};

struct LedgerOpening;

// Why a ledger can't be used, in words for the user ("読み込めません" and the like).
std::string ledgerStatusText(LedgerStatus status);

// A database failure after the ledger was opened (disk full, locked for longer than the wait).
class LedgerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Ledger {
public:
    // The schema this release writes; a database of a higher version is refused.
    static constexpr int schemaVersion = 1;
    static constexpr const char* folderName = ".pixbako";
    static constexpr const char* fileName = "imports.sqlite";

    // The database's path for a save folder (with or without a trailing "/").
    static std::string pathFor(const std::string& saveFolder);
    // Whether `folder` is a ledger's hidden folder (named so and holding the database): walks
    // of a card or save folder never enter it, and any other folder of that name is the user's.
    static bool isLedgerFolder(const std::string& folder);

    // Opens the save folder's ledger, creating the hidden folder and the database when they
    // don't exist yet. `waitForLock`: how long to wait for another holder before reporting
    // LedgerStatus::Locked.
    static LedgerOpening open(const std::string& saveFolder,
                              std::chrono::milliseconds waitForLock = std::chrono::seconds(2));
    // Opens the save folder's ledger for reading only, creating nothing: no hidden folder, no
    // database, no log beside it. Nullopt when the save folder has no ledger yet (or an empty
    // one). A database that is not ours, damaged or newer is reported as open() reports it.
    static std::optional<LedgerOpening> openExisting(const std::string& saveFolder);

    Ledger(Ledger&& other) noexcept;
    Ledger& operator=(Ledger&& other) noexcept;
    Ledger(const Ledger&) = delete;
    Ledger& operator=(const Ledger&) = delete;
    ~Ledger();

    // Adds the entry in a transaction of its own. Throws LedgerError.
    void record(const LedgerEntry& entry);
    // Adds all entries in one transaction: all of them or, on failure, none. Throws
    // LedgerError.
    void record(const std::vector<LedgerEntry>& entries);
    // Every entry of this size, oldest first. Throws LedgerError.
    std::vector<LedgerEntry> findBySize(std::uint64_t size);
    // Whether any file of this size was imported before: the cheap first test of a candidate,
    // which reads no entry (a card of equal-sized files would read every entry once per file).
    // Throws LedgerError.
    bool knowsSize(std::uint64_t size);
    // Every entry of this size and hash (the copies of one content), oldest first. Throws
    // LedgerError.
    std::vector<LedgerEntry> findByContent(std::uint64_t size, const ContentHash& hash);
    // Whether a file of this size and hash was imported before. Throws LedgerError.
    bool isImported(std::uint64_t size, const ContentHash& hash);

private:
    explicit Ledger(sqlite3* db) : db_(db) {}
    friend LedgerOpening openLedger(const std::string&, std::chrono::milliseconds);

    sqlite3* db_ = nullptr;
};

struct LedgerOpening {
    LedgerStatus status = LedgerStatus::Unreadable;
    std::optional<Ledger> ledger; // present only with LedgerStatus::Ok
    std::string detail;           // SQLite's or the system's words for the log; may be empty
};

} // namespace pixbako
