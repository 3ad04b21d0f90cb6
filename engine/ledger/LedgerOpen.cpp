// Opening a save folder's ledger: classify what is at the ledger's path before anything is
// written, create the schema only in an empty database, and leave every other file as it is.
#include "engine/ledger/Ledger.h"
#include "engine/ledger/LedgerSql.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

namespace pixbako {

using namespace ledgersql;

namespace {

// Marks the database file as the ledger's in its header, beside the schema's own tables.
constexpr std::int64_t applicationId = 0x5058424c; // "PXBL"

constexpr const char* createSchema = R"(
CREATE TABLE schema_version (version INTEGER NOT NULL);
CREATE TABLE imported_files (
    id INTEGER PRIMARY KEY,
    copy_path BLOB NOT NULL,
    size INTEGER NOT NULL,
    hash BLOB NOT NULL,
    shot_date TEXT NOT NULL,
    shot_date_source TEXT NOT NULL,
    source_name BLOB NOT NULL,
    source_time TEXT NOT NULL,
    run_time TEXT NOT NULL
);
CREATE INDEX imported_files_by_size ON imported_files (size, hash);
)";

enum class Found { Empty, Ours, Foreign, Newer };

Found classify(sqlite3* db) {
    std::set<std::string> tables;
    Statement names(db, "SELECT name FROM sqlite_master");
    while (names.step())
        tables.insert(names.bytesAt(0));
    Statement id(db, "PRAGMA application_id");
    std::int64_t storedId = id.step() ? id.intAt(0) : 0;
    if (tables.empty())
        return storedId == 0 || storedId == applicationId ? Found::Empty : Found::Foreign;
    if (storedId != applicationId || !tables.count("schema_version"))
        return Found::Foreign;
    Statement version(db, "SELECT version FROM schema_version");
    if (!version.step() || version.typeAt(0) != SQLITE_INTEGER)
        return Found::Foreign;
    std::int64_t stored = version.intAt(0);
    if (version.step() || stored < 1)
        return Found::Foreign;
    // A newer release may have reshaped every table but the version's.
    if (stored > Ledger::schemaVersion)
        return Found::Newer;
    return tables.count("imported_files") ? Found::Ours : Found::Foreign;
}

// Creates the schema in one transaction, unless another program filled the database first;
// then it is classified again.
Found createIn(sqlite3* db) {
    // WAL needs no transaction; it is written into the header of a database that is empty.
    execute(db, "PRAGMA journal_mode=WAL");
    execute(db, "BEGIN IMMEDIATE");
    try {
        Found found = classify(db);
        if (found == Found::Empty) {
            execute(db, createSchema);
            execute(db, ("PRAGMA application_id=" + std::to_string(applicationId)).c_str());
            execute(db, ("INSERT INTO schema_version (version) VALUES (" +
                         std::to_string(Ledger::schemaVersion) + ")")
                            .c_str());
            found = Found::Ours;
        }
        execute(db, "COMMIT");
        return found;
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// What the file's first bytes tell before SQLite reads it: a file that isn't an SQLite database,
// or one that another program marked as its own, is reported without SQLite opening it (which
// could roll back the other program's journal).
std::optional<LedgerStatus> statusOfHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char header[100] = {};
    in.read(header, sizeof header);
    const auto got = in.gcount();
    if (got == 0)
        return std::nullopt; // empty: a database that was never written
    static constexpr char magic[] = "SQLite format 3";
    if (got < static_cast<std::streamsize>(sizeof header) ||
        std::memcmp(header, magic, sizeof magic) != 0)
        return LedgerStatus::Unreadable;
    std::int64_t storedId = 0;
    for (int i = 68; i < 72; ++i)
        storedId = storedId << 8 | static_cast<unsigned char>(header[i]);
    if (storedId != 0 && storedId != applicationId)
        return LedgerStatus::Foreign;
    return std::nullopt;
}

LedgerStatus statusOf(int code) {
    switch (code) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return LedgerStatus::Locked;
    case SQLITE_READONLY:
        return LedgerStatus::ReadOnly;
    default:
        return LedgerStatus::Unreadable;
    }
}

// An opening that SQLite refused (`rc` from sqlite3_open_v2, which may still give a handle with
// the message), or that a statement failed while the database was examined.
LedgerOpening refused(int rc, sqlite3* db) {
    LedgerOpening opening;
    opening.status = statusOf(rc & 0xff);
    opening.detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return opening;
}

LedgerOpening refused(const SqlError& error) {
    LedgerOpening opening;
    opening.status = statusOf(error.code());
    opening.detail = error.what();
    return opening;
}

struct CloseDb {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

} // namespace

std::string Ledger::pathFor(const std::string& saveFolder) {
    std::string path = saveFolder;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + folderName + '/' + fileName;
}

LedgerOpening openLedger(const std::string& saveFolder, std::chrono::milliseconds waitForLock) {
    LedgerOpening opening;
    const std::string path = Ledger::pathFor(saveFolder);
    std::error_code ec;
    // Only the hidden folder is made: a save folder that doesn't exist is the run's to create.
    std::filesystem::create_directory(std::filesystem::path(path).parent_path(), ec);
    if (ec) {
        opening.detail = ec.message();
        return opening;
    }
    const bool existed = std::filesystem::exists(path, ec);
    if (existed) {
        if (auto status = statusOfHeader(path)) {
            opening.status = *status;
            return opening;
        }
    }
    sqlite3* raw = nullptr;
    // An existing file is never created anew: if it vanished meanwhile, opening fails.
    int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE);
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    std::unique_ptr<sqlite3, CloseDb> db(raw);
    if (rc != SQLITE_OK)
        return refused(rc, raw);
    sqlite3_busy_timeout(db.get(), static_cast<int>(waitForLock.count()));
    // Closing would otherwise fold a database's write-ahead log into it: not before it is known
    // to be ours.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    try {
        Found found = classify(db.get());
        const bool readOnly = sqlite3_db_readonly(db.get(), "main") == 1;
        if (found == Found::Empty && !readOnly)
            found = createIn(db.get());
        switch (found) {
        case Found::Foreign:
            opening.status = LedgerStatus::Foreign;
            return opening;
        case Found::Newer:
            opening.status = LedgerStatus::NewerSchema;
            return opening;
        case Found::Empty:
        case Found::Ours:
            break;
        }
        if (readOnly) {
            opening.status = LedgerStatus::ReadOnly;
            return opening;
        }
        // A committed row must survive a power cut: sync the log on every commit.
        execute(db.get(), "PRAGMA synchronous=FULL");
        sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    } catch (const SqlError& error) {
        return refused(error);
    }
    opening.status = LedgerStatus::Ok;
    opening.ledger.emplace(Ledger(db.release()));
    return opening;
}

namespace {

// A file name as an SQLite URI path: every byte but the unreserved ones and "/" percent-encoded,
// so that "?", "#" and "%" in a folder name stay part of the name.
std::string uriPath(const std::string& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::strchr("/-._~", c)) {
            uri += c;
        } else {
            uri += '%';
            uri += hex[byte >> 4];
            uri += hex[byte & 0xf];
        }
    }
    return uri;
}

} // namespace

std::optional<LedgerOpening> Ledger::openExisting(const std::string& saveFolder) {
    const std::string path = pathFor(saveFolder);
    std::error_code ec;
    const std::filesystem::file_status found = std::filesystem::status(path, ec);
    if (found.type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    LedgerOpening opening;
    if (ec || found.type() != std::filesystem::file_type::regular) {
        opening.detail = ec ? ec.message() : "not a file";
        return opening;
    }
    if (std::filesystem::file_size(path, ec) == 0 && !ec)
        return std::nullopt; // made, but never written
    if (auto status = statusOfHeader(path)) {
        opening.status = *status;
        return opening;
    }
    // A read-only connection to a database in WAL mode makes its log and shared-memory files
    // when they are missing, and leaves them. Without a log, the database file holds every
    // committed row and is read as it stands; with one (a run is recording, or one crashed),
    // the log is read too.
    const bool withLog = std::filesystem::exists(path + "-wal", ec);
    const std::string uri = uriPath(path) + (withLog ? "?mode=ro" : "?immutable=1");
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(uri.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<sqlite3, CloseDb> db(raw);
    if (rc != SQLITE_OK)
        return refused(rc, raw);
    sqlite3_busy_timeout(db.get(), 2000);
    try {
        switch (classify(db.get())) {
        case Found::Empty:
            return std::nullopt;
        case Found::Foreign:
            opening.status = LedgerStatus::Foreign;
            return opening;
        case Found::Newer:
            opening.status = LedgerStatus::NewerSchema;
            return opening;
        case Found::Ours:
            break;
        }
    } catch (const SqlError& error) {
        return refused(error);
    }
    opening.status = LedgerStatus::Ok;
    opening.ledger.emplace(Ledger(db.release()));
    return opening;
}

LedgerOpening Ledger::open(const std::string& saveFolder, std::chrono::milliseconds waitForLock) {
    return openLedger(saveFolder, waitForLock);
}

} // namespace pixbako
