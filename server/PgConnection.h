// A connection to PostgreSQL through libpqxx; one open transaction at a time.
#pragma once
#include <memory>
#include <string>

#include "server/SqlConnection.h"

class PgConnection : public SqlConnection {
public:
    // Connects to url (postgresql://...); StoreError when it cannot.
    explicit PgConnection(const std::string& url);
    ~PgConnection() override;

    void Begin() override;
    void Commit() override;
    void Rollback() noexcept override;
    int64_t Exec(const char* sql, const std::vector<SqlValue>& params) override;
    std::vector<SqlRow> Query(const char* sql, const std::vector<SqlValue>& params) override;
    void LockSchema() override;
    bool HasRoundTrips() const override { return true; }
    std::string Literal(const std::string& text) const override;

private:
    template <typename Call>
    auto Guarded(Call call);

    struct Session;  // the library's connection and open transaction
    std::unique_ptr<Session> m_session;
};
