// The store's logic over SQL, shared by the embedded and the PostgreSQL store: the schema and
// its upgrades, the catalogue, check-ins and the report. Connections come from a pool that
// grows to the number of threads using the store at once.
#pragma once
#include <functional>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "server/SqlConnection.h"
#include "server/Store.h"

class SqlStore : public Store {
public:
    using ConnectionFactory = std::function<std::unique_ptr<SqlConnection>()>;
    // Connects once and brings the schema up to date. With writers > 0, check-ins are queued
    // for that many writer threads, each recording what waits in one transaction (group
    // commit): far fewer commits and round trips than one transaction per check-in, and on a
    // database that takes one writer at a time no queueing for its lock. 0: one transaction
    // per check-in on the caller's thread.
    // With syncCommits, the connections' commits are not durable by themselves: a check-in is
    // answered, and an import returns, only after syncCommits() has run after its commit. It
    // runs on a thread of its own while the writer records the next batch.
    SqlStore(ConnectionFactory connect, int writers, std::function<void()> syncCommits = {});
    ~SqlStore() override;

    void ImportCatalogue(const std::vector<CatalogueBlock>& blocks) override;
    int64_t CatalogueRevision() override;
    StoredCatalogue LoadCatalogue() override;
    CheckinRecorded RecordCheckin(const CheckinForm& form, int64_t now, const AnswerPlanner& planner) override;
    // With writers, `done` is called on the writer thread that recorded the check-in (or on
    // the syncer thread).
    void RecordCheckinAsync(CheckinForm form, int64_t now, AnswerPlanner planner, CheckinDone done) override;
    ReportData Report(int64_t now) override;
    bool Healthy() noexcept override;

    // The schema version this program writes.
    static int SchemaVersion();

private:
    class Lease;
    // Runs work in one transaction on a pooled connection, again on a conflict.
    template <typename Work>
    auto InTransaction(Work work);
    std::unique_ptr<SqlConnection> Acquire();
    void Release(std::unique_ptr<SqlConnection> connection);
    void Upgrade(SqlConnection& connection);

    struct PendingCheckin;
    void WriteBatches(int64_t shard);
    void SyncBatches();
    void Answer(std::vector<std::unique_ptr<PendingCheckin>>& batch);
    void RecordBatch(std::vector<std::unique_ptr<PendingCheckin>>& batch, int64_t shard);

    ConnectionFactory m_connect;
    const int m_writerCount;
    const std::function<void()> m_syncCommits;
    const int64_t m_counterShard;  // this store's first shard of the per-day check-in counters
    std::mutex m_pendingMutex;  // guards m_pending, m_stopping and the start of m_writers
    std::condition_variable m_pendingChanged;
    std::vector<std::unique_ptr<PendingCheckin>> m_pending;
    bool m_stopping = false;
    int m_writersWaiting = 0;  // writers asleep until a check-in arrives
    std::vector<std::unique_ptr<PendingCheckin>> m_committed;  // recorded, waiting for a sync
    std::condition_variable m_committedChanged;
    bool m_syncerWaiting = false;
    bool m_writerStopped = false;
    std::thread m_syncer;
    std::vector<std::thread> m_writers;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<SqlConnection>> m_idle;
};
