#include "server/PgConnection.h"

#include <pqxx/pqxx>

#include <map>

namespace {

// Any fixed number: the advisory lock that serializes schema upgrades of the server's processes.
constexpr int64_t kSchemaLockId = 0x5A554C;

// Parameters go as texts; the server infers their types from the statement. (No statement
// of the store passes a null.)
std::vector<std::string> Params(const std::vector<SqlValue>& values) {
    std::vector<std::string> params;
    params.reserve(values.size());
    for (const SqlValue& value : values) {
        if (const auto* number = std::get_if<int64_t>(&value))
            params.push_back(std::to_string(*number));
        else if (const auto* text = std::get_if<std::string>(&value))
            params.push_back(*text);
        else
            params.emplace_back();
    }
    return params;
}



}  // namespace

struct PgConnection::Session {
    explicit Session(const std::string& url) : connection(url) {}
    // Statements with parameters are prepared once per connection (by the text's address: the
    // texts are literals), so that the server plans them once.
    pqxx::result Run(const char* sql, const std::vector<SqlValue>& values) {
        if (values.empty()) {
            if (!beginPending) return work->exec(sql);
            beginPending = false;
            return work->exec(std::string("BEGIN;") + sql);  // one round trip for both
        }
        if (beginPending) {
            work->exec("BEGIN");
            beginPending = false;
        }
        std::string& name = prepared[sql];
        if (name.empty()) {
            name = "s" + std::to_string(prepared.size());
            connection.prepare(name, sql);
        }
        const std::vector<std::string> params = Params(values);
        return work->exec_prepared(name, pqxx::prepare::make_dynamic_params(params));
    }

    pqxx::connection connection;
    // The transaction is written out by hand, so that its BEGIN goes with its first statement.
    std::unique_ptr<pqxx::nontransaction> work;
    bool beginPending = false;
    std::map<const char*, std::string> prepared;
};

template <typename Call>
auto PgConnection::Guarded(Call call) {
    try {
        return call();
    } catch (const pqxx::transaction_rollback& e) {  // deadlock, serialization failure
        throw StoreConflict(e.what());
    } catch (const pqxx::unique_violation& e) {  // two first check-ins of one machine at once
        throw StoreConflict(e.what());
    } catch (const std::exception& e) {
        throw StoreError(e.what());
    }
}

PgConnection::PgConnection(const std::string& url) {
    Guarded([&] {
        m_session = std::make_unique<Session>(url);
        return 0;
    });
}

PgConnection::~PgConnection() = default;

void PgConnection::Begin() {
    Guarded([&] {
        m_session->work = std::make_unique<pqxx::nontransaction>(m_session->connection);
        m_session->beginPending = true;
        return 0;
    });
}

void PgConnection::Commit() {
    Guarded([&] {
        const bool begun = !m_session->beginPending;
        m_session->beginPending = false;
        // Every statement's failure was thrown where it ran, and the store then rolls back
        // instead of committing; a failure at the commit itself throws here.
        if (begun) m_session->work->exec("COMMIT");
        m_session->work.reset();
        return 0;
    });
}

void PgConnection::Rollback() noexcept {
    try {
        if (m_session->work && !m_session->beginPending) m_session->work->exec("ROLLBACK");
    } catch (...) {
    }
    m_session->beginPending = false;
    m_session->work.reset();
}

int64_t PgConnection::Exec(const char* sql, const std::vector<SqlValue>& params) {
    return Guarded([&] {
        const pqxx::result result = m_session->Run(sql, params);
        return static_cast<int64_t>(result.affected_rows());
    });
}

std::vector<SqlRow> PgConnection::Query(const char* sql, const std::vector<SqlValue>& params) {
    return Guarded([&] {
        const pqxx::result result = m_session->Run(sql, params);
        std::vector<SqlRow> rows;
        rows.reserve(result.size());
        for (const auto& resultRow : result) {
            SqlRow row;
            for (const auto& field : resultRow)
                row.emplace_back(field.is_null() ? std::nullopt : std::optional<std::string>(field.c_str()));
            rows.push_back(std::move(row));
        }
        return rows;
    });
}

void PgConnection::LockSchema() {
    Guarded([&] {
        m_session->Run(("SELECT pg_advisory_xact_lock(" + std::to_string(kSchemaLockId) + ")").c_str(), {});
        return 0;
    });
}

std::string PgConnection::Literal(const std::string& text) const {
    return "'" + m_session->connection.esc(text) + "'";
}
