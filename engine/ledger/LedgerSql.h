#pragma once
// Small helpers over SQLite's C interface for the ledger: a prepared statement that finalises
// itself, and plain statements run for their effect. Failures throw LedgerError carrying
// SQLite's result code, so that opening can tell a locked database from a damaged one.
#include "engine/ledger/Ledger.h"

#include <sqlite3.h>
#include <string>
#include <string_view>

namespace pixbako::ledgersql {

class SqlError : public LedgerError {
public:
    SqlError(int code, const std::string& what) : LedgerError(what), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

[[noreturn]] void fail(sqlite3* db, int code, std::string_view doing);

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bindBlob(int index, const void* data, std::size_t size);
    void bindText(int index, const std::string& text);
    void bindInt(int index, std::int64_t value);
    // true while a row is there to read.
    bool step();

    std::int64_t intAt(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string bytesAt(int column) const;
    int typeAt(int column) const { return sqlite3_column_type(stmt_, column); }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Runs statements that give no rows the caller wants.
void execute(sqlite3* db, const char* sql);

} // namespace pixbako::ledgersql
