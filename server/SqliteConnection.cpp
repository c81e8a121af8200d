#include "server/SqliteConnection.h"

#include <sqlite3.h>

#include <cstring>

namespace {

constexpr int kBusyWaitMs = 10000;

// "$1" placeholders become SQLite's "?1".
std::string SqliteText(const char* sql) {
    std::string text(sql);
    for (char& c : text)
        if (c == '$') c = '?';
    return text;
}

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path, std::shared_ptr<SqliteLog> log)
    : m_log(std::move(log)) {
    const int code = sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) Fail(code, ("cannot open " + path).c_str());
    sqlite3_busy_timeout(m_db, kBusyWaitMs);
    Run("PRAGMA journal_mode=WAL");
    // Without a SqliteLog, a commit returns once its log pages are on disk. With one, the
    // store syncs the log itself (SqliteLog::Sync) before it answers, for many commits at once.
    // Either way a check-in is answered only when what it reported survives a power failure.
    Run(m_log ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
    if (m_log) m_log->Watch(m_db);
    // Pages are read through a shared mapping rather than copied per connection, and each
    // connection keeps a larger cache of its own.
    Run("PRAGMA mmap_size=1073741824");
    Run("PRAGMA cache_size=-32768");
    Run("PRAGMA foreign_keys=ON");
}

SqliteConnection::~SqliteConnection() {
    for (auto& [sql, statement] : m_statements) sqlite3_finalize(statement);
    if (m_log) sqlite3_wal_hook(m_db, nullptr, nullptr);
    sqlite3_close_v2(m_db);
}

void SqliteConnection::Fail(int code, const char* what) {
    std::string message = std::string(what) + ": " + (m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
    if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) throw StoreConflict(message);
    throw StoreError(message);
}

void SqliteConnection::Run(const char* sql) {
    char* error = nullptr;
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        const std::string message = std::string(sql).substr(0, 60) + ": " + (error ? error : "");
        sqlite3_free(error);
        if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) throw StoreConflict(message);
        throw StoreError(message);
    }
}

void SqliteConnection::Begin() { Run("BEGIN IMMEDIATE"); }
void SqliteConnection::Commit() { Run("COMMIT"); }
void SqliteConnection::Rollback() noexcept {
    if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

sqlite3_stmt* SqliteConnection::Prepare(const char* sql, const std::vector<SqlValue>& params) {
    sqlite3_stmt*& statement = m_statements[sql];
    if (!statement) {
        const std::string text = SqliteText(sql);
        const int code = sqlite3_prepare_v2(m_db, text.c_str(), -1, &statement, nullptr);
        if (code != SQLITE_OK) {
            m_statements.erase(sql);
            Fail(code, "prepare");
        }
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    for (size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        if (const auto* number = std::get_if<int64_t>(&params[i]))
            sqlite3_bind_int64(statement, index, *number);
        else if (const auto* text = std::get_if<std::string>(&params[i]))
            sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(statement, index);
    }
    return statement;
}

int64_t SqliteConnection::Exec(const char* sql, const std::vector<SqlValue>& params) {
    if (params.empty() && std::strchr(sql, ';')) {  // a script of several statements
        Run(sql);
        return sqlite3_changes(m_db);
    }
    sqlite3_stmt* statement = Prepare(sql, params);
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_reset(statement);
    if (code != SQLITE_DONE) Fail(code, "statement");
    return sqlite3_changes(m_db);
}

std::vector<SqlRow> SqliteConnection::Query(const char* sql, const std::vector<SqlValue>& params) {
    sqlite3_stmt* statement = Prepare(sql, params);
    std::vector<SqlRow> rows;
    int code;
    while ((code = sqlite3_step(statement)) == SQLITE_ROW) {
        SqlRow row;
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            const unsigned char* text = sqlite3_column_text(statement, column);
            if (text)
                row.emplace_back(std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_column_bytes(statement, column))));
            else
                row.emplace_back(std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    sqlite3_reset(statement);
    if (code != SQLITE_DONE) Fail(code, "query");
    return rows;
}
