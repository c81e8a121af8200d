// One connection to an SQL database, as the store's logic uses it: transactions, statements
// with positional parameters written $1, $2, ... and rows of texts. SQLite and PostgreSQL each
// implement it; the store holds a pool of them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "server/Store.h"

using SqlValue = std::variant<std::monostate, int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

// A conflict between concurrent transactions (busy database, deadlock, serialization failure):
// the whole transaction may be run again.
class StoreConflict : public StoreError {
public:
    using StoreError::StoreError;
};

class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    // A transaction that will write (SQLite takes the write lock at once).
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;
    // Runs a statement; the number of rows it changed.
    virtual int64_t Exec(const char* sql, const std::vector<SqlValue>& params = {}) = 0;
    virtual std::vector<SqlRow> Query(const char* sql, const std::vector<SqlValue>& params = {}) = 0;
    // Serializes schema upgrades between processes (inside a transaction).
    virtual void LockSchema() = 0;
    // The table option that stores a table with a primary key in key order ("" when none).
    virtual const char* KeyedTableOption() const { return ""; }
    // Whether each statement is a round trip to a database server: then a batch of check-ins
    // reads its machines in one query and sends its writes as one script.
    virtual bool HasRoundTrips() const { return false; }
    // text as an SQL string literal, for such scripts.
    virtual std::string Literal(const std::string& text) const {
        std::string literal = "'";
        for (const char c : text) literal += c == '\'' ? std::string("''") : std::string(1, c);
        return literal + "'";
    }
};
