// Recording and finding imported files. Dates are stored as text ("2005-03-12 14:05:09.250")
// and the shot date's source by name, so the database reads plainly in any SQLite tool and
// keeps its meaning when the program's own types change.
#include "engine/ledger/Ledger.h"
#include "engine/ledger/LedgerSql.h"

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <utility>

namespace pixbako {

using namespace ledgersql;

namespace {

constexpr std::array<std::pair<ShotDateSource, const char*>, 5> sourceNames{{
    {ShotDateSource::Exif, "exif"},
    {ShotDateSource::Raw, "raw"},
    {ShotDateSource::Heif, "heif"},
    {ShotDateSource::Movie, "movie"},
    {ShotDateSource::FileTime, "file-time"},
}};

std::string sourceText(ShotDateSource source) {
    for (const auto& [value, name] : sourceNames)
        if (value == source)
            return name;
    return "file-time";
}

ShotDateSource sourceFromText(const std::string& text) {
    for (const auto& [value, name] : sourceNames)
        if (text == name)
            return value;
    return ShotDateSource::FileTime;
}

std::string dateText(const LocalDateTime& date) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", date.year, date.month,
                  date.day, date.hour, date.minute, date.second, date.millisecond);
    return text;
}

LocalDateTime dateFromText(const std::string& text) {
    LocalDateTime date;
    LocalDateTime read;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%d", &read.year, &read.month, &read.day,
                    &read.hour, &read.minute, &read.second, &read.millisecond) == 7)
        date = read;
    return date;
}

constexpr const char* selectColumns =
    "SELECT copy_path, size, hash, shot_date, shot_date_source, source_name, source_time, "
    "run_time FROM imported_files ";

LedgerEntry entryOf(const Statement& row) {
    LedgerEntry entry;
    entry.copyPath = row.bytesAt(0);
    entry.size = static_cast<std::uint64_t>(row.intAt(1));
    std::string hash = row.bytesAt(2);
    if (hash.size() == entry.hash.bytes.size())
        for (std::size_t i = 0; i < hash.size(); ++i)
            entry.hash.bytes[i] = static_cast<std::uint8_t>(hash[i]);
    entry.shotDate = dateFromText(row.bytesAt(3));
    entry.shotDateSource = sourceFromText(row.bytesAt(4));
    entry.sourceName = row.bytesAt(5);
    entry.sourceTime = dateFromText(row.bytesAt(6));
    entry.runTime = dateFromText(row.bytesAt(7));
    return entry;
}

} // namespace

std::string ledgerStatusText(LedgerStatus status) {
    switch (status) {
    case LedgerStatus::Locked:
        return "ほかのプログラムが使用中です";
    case LedgerStatus::ReadOnly:
        return "書き込みできません";
    case LedgerStatus::Foreign:
        return "ほかのプログラムのデータベースです";
    case LedgerStatus::NewerSchema:
        return "新しい版のPixbakoで作られた記録です";
    case LedgerStatus::Ok:
    case LedgerStatus::Unreadable:
        break;
    }
    return "読み込めません";
}

Ledger::Ledger(Ledger&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Ledger& Ledger::operator=(Ledger&& other) noexcept {
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

Ledger::~Ledger() {
    sqlite3_close_v2(db_);
}

namespace {

void insert(sqlite3* db, const LedgerEntry& entry) {
    Statement insert(db, "INSERT INTO imported_files (copy_path, size, hash, shot_date, "
                         "shot_date_source, source_name, source_time, run_time) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bindBlob(1, entry.copyPath.data(), entry.copyPath.size());
    insert.bindInt(2, static_cast<std::int64_t>(entry.size));
    insert.bindBlob(3, entry.hash.bytes.data(), entry.hash.bytes.size());
    insert.bindText(4, dateText(entry.shotDate));
    insert.bindText(5, sourceText(entry.shotDateSource));
    insert.bindBlob(6, entry.sourceName.data(), entry.sourceName.size());
    insert.bindText(7, dateText(entry.sourceTime));
    insert.bindText(8, dateText(entry.runTime));
    insert.step();
}

} // namespace

void Ledger::record(const LedgerEntry& entry) {
    // One statement outside an explicit transaction is a transaction of its own.
    insert(db_, entry);
}

void Ledger::record(const std::vector<LedgerEntry>& entries) {
    if (entries.empty())
        return;
    // IMMEDIATE takes the write lock at once, so that a busy database fails here, not halfway.
    execute(db_, "BEGIN IMMEDIATE");
    try {
        for (const LedgerEntry& entry : entries)
            insert(db_, entry);
        execute(db_, "COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::vector<LedgerEntry> Ledger::findBySize(std::uint64_t size) {
    Statement query(db_, (std::string(selectColumns) + "WHERE size = ? ORDER BY id").c_str());
    query.bindInt(1, static_cast<std::int64_t>(size));
    std::vector<LedgerEntry> entries;
    while (query.step())
        entries.push_back(entryOf(query));
    return entries;
}

std::vector<LedgerEntry> Ledger::findByContent(std::uint64_t size, const ContentHash& hash) {
    Statement query(
        db_, (std::string(selectColumns) + "WHERE size = ? AND hash = ? ORDER BY id").c_str());
    query.bindInt(1, static_cast<std::int64_t>(size));
    query.bindBlob(2, hash.bytes.data(), hash.bytes.size());
    std::vector<LedgerEntry> entries;
    while (query.step())
        entries.push_back(entryOf(query));
    return entries;
}

bool Ledger::knowsSize(std::uint64_t size) {
    Statement query(db_, "SELECT 1 FROM imported_files WHERE size = ? LIMIT 1");
    query.bindInt(1, static_cast<std::int64_t>(size));
    return query.step();
}

bool Ledger::isLedgerFolder(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (path.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, folderName) !=
        0)
        return false;
    struct stat status {};
    return ::lstat((path + '/' + fileName).c_str(), &status) == 0;
}

bool Ledger::isImported(std::uint64_t size, const ContentHash& hash) {
    Statement query(db_, "SELECT 1 FROM imported_files WHERE size = ? AND hash = ? LIMIT 1");
    query.bindInt(1, static_cast<std::int64_t>(size));
    query.bindBlob(2, hash.bytes.data(), hash.bytes.size());
    return query.step();
}

} // namespace pixbako
