// A connection to the embedded database file: WAL journal, every commit on disk before it
// returns, a generous busy wait, statements prepared once per connection.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "server/SqlConnection.h"
#include "server/SqliteLog.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteConnection : public SqlConnection {
public:
    // Opens (creating) the file; StoreError when it cannot.
    // With `log`, checkpoints and syncing commits are left to it (see SqliteLog).
    SqliteConnection(const std::string& path, std::shared_ptr<SqliteLog> log = nullptr);
    ~SqliteConnection() override;

    void Begin() override;
    void Commit() override;
    void Rollback() noexcept override;
    int64_t Exec(const char* sql, const std::vector<SqlValue>& params) override;
    std::vector<SqlRow> Query(const char* sql, const std::vector<SqlValue>& params) override;
    void LockSchema() override {}  // Begin already holds the write lock
    // One B-tree per table instead of the row table and its key index.
    const char* KeyedTableOption() const override { return "WITHOUT ROWID"; }

private:
    sqlite3_stmt* Prepare(const char* sql, const std::vector<SqlValue>& params);
    [[noreturn]] void Fail(int code, const char* what);
    void Run(const char* sql);

    std::shared_ptr<SqliteLog> m_log;
    sqlite3* m_db = nullptr;
    std::map<const char*, sqlite3_stmt*> m_statements;  // by the text's address: texts are literals
};
