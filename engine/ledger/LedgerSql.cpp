#include "engine/ledger/LedgerSql.h"

namespace pixbako::ledgersql {

void fail(sqlite3* db, int code, std::string_view doing) {
    std::string what(doing);
    what += ": ";
    what += db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw SqlError(code & 0xff, what);
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        fail(db, rc, sql);
}

void Statement::bindBlob(int index, const void* data, std::size_t size) {
    // A zero-length blob still binds as a blob, not as NULL.
    static const char none = 0;
    int rc = sqlite3_bind_blob64(stmt_, index, size ? data : &none, size, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        fail(db_, rc, "bind");
}

void Statement::bindText(int index, const std::string& text) {
    int rc =
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(db_, rc, "bind");
}

void Statement::bindInt(int index, std::int64_t value) {
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK)
        fail(db_, rc, "bind");
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(db_, rc, sqlite3_sql(stmt_));
}

std::string Statement::bytesAt(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size))
                : std::string();
}

void execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string what = std::string(sql) + ": " + (message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        throw SqlError(rc & 0xff, what);
    }
}

} // namespace pixbako::ledgersql
