#include "server/SqlStore.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <future>
#include <map>
#include <random>
#include <thread>
#include <algorithm>
#include <cctype>

namespace {

constexpr int kConflictRetries = 8;
constexpr int kCounterShards = 64;
// A machine's last check-in time is written again only when the stored one is older than this,
// so that a check-in that changes nothing else writes nothing for the machine. The report's
// "seen in the last 24 h" is exact to within this.
constexpr int64_t kLastSeenResolution = 600;

// Each step brings the schema from its index to the next version; BIGINT and TEXT read the
// same in both databases.
const char* const kUpgrades[] = {
    "CREATE TABLE catalogue(guid TEXT PRIMARY KEY, type TEXT NOT NULL, position BIGINT NOT NULL,"
    " published BIGINT NOT NULL, block TEXT NOT NULL);"
    "CREATE TABLE machines(guid TEXT PRIMARY KEY, first_seen BIGINT NOT NULL, last_seen BIGINT NOT NULL,"
    " clversion TEXT NOT NULL, checkins BIGINT NOT NULL) @KEYED@;"
    "CREATE TABLE subscriptions(machine TEXT NOT NULL, channel TEXT NOT NULL, distid TEXT NOT NULL,"
    " PRIMARY KEY(machine, channel)) @KEYED@;"
    "CREATE TABLE installs(machine TEXT NOT NULL, item TEXT NOT NULL, channel TEXT NOT NULL,"
    " reported BIGINT NOT NULL, PRIMARY KEY(machine, item)) @KEYED@;"
    "CREATE TABLE deliveries(machine TEXT NOT NULL, channel TEXT NOT NULL, sent_version TEXT,"
    " sent_subscribe BIGINT NOT NULL, pending BIGINT NOT NULL, confirmed_version TEXT,"
    " subscribe_confirmed BIGINT NOT NULL, PRIMARY KEY(machine, channel)) @KEYED@;"
    "CREATE TABLE checkins(day TEXT NOT NULL, at BIGINT NOT NULL);",
    // Check-ins are counted per day instead of kept one row each. A counter has several
    // shards so that concurrent writers (processes on one database) rarely wait for one row.
    "CREATE TABLE checkin_days(day TEXT NOT NULL, shard BIGINT NOT NULL, checkins BIGINT NOT NULL,"
    " PRIMARY KEY(day, shard)) @KEYED@;"
    "INSERT INTO checkin_days(day, shard, checkins) SELECT day, 0, COUNT(*) FROM checkins GROUP BY day;"
    "DROP TABLE checkins;"
    // A machine's row is written only when it changes (see kLastSeenResolution).
    "ALTER TABLE machines DROP COLUMN checkins;",
    // What a machine was sent and confirmed goes into its row (see MoveDeliveries), so that a
    // check-in writes one row less.
    "ALTER TABLE machines ADD COLUMN deliveries TEXT NOT NULL DEFAULT '';",
};
constexpr int kDeliveriesInMachineRow = 3;  // the version from which they are there

// The schema text for a connection: tables looked up by their key are stored in key order
// where the database offers it.
std::string SchemaText(const char* text, const SqlConnection& connection) {
    std::string schema(text);
    for (size_t at; (at = schema.find("@KEYED@")) != std::string::npos;) schema.replace(at, 7, connection.KeyedTableOption());
    return schema;
}

std::string Text(const std::optional<std::string>& value) { return value ? *value : std::string(); }
int64_t Number(const std::optional<std::string>& value) { return value && !value->empty() ? std::stoll(*value) : 0; }

std::string DayOf(int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &tm);
    return day;
}

// A channel's delivery to one machine, as kept in the machine's row.
struct DeliveryRow {
    std::optional<std::string> sent;  // the Version last sent
    bool sentSubscribe = false;
    bool pending = false;  // sent, and the machine has not checked in since
    std::optional<std::string> confirmed;
    bool subscribeConfirmed = false;
};
using DeliveryRows = std::map<std::string, DeliveryRow>;  // by channel GUID

// Each field as its length, ':' and its text ("-" for none), seven fields a channel: the
// channel and catalogue texts may hold any character.
void EncodeField(std::string& out, const std::optional<std::string>& field) {
    if (!field) {
        out += '-';
        return;
    }
    out += std::to_string(field->size());
    out += ':';
    out += *field;
}

std::string EncodeDeliveries(const DeliveryRows& rows) {
    std::string out;
    for (const auto& [channel, row] : rows) {
        EncodeField(out, channel);
        EncodeField(out, row.sent);
        out += row.sentSubscribe ? '1' : '0';
        out += row.pending ? '1' : '0';
        EncodeField(out, row.confirmed);
        out += row.subscribeConfirmed ? '1' : '0';
    }
    return out;
}

DeliveryRows DecodeDeliveries(const std::string& text) {
    size_t at = 0;
    const auto damaged = [] { return StoreError("a machine's delivery record is damaged"); };
    const auto field = [&]() -> std::optional<std::string> {
        if (at < text.size() && text[at] == '-') {
            ++at;
            return std::nullopt;
        }
        size_t length = 0, digits = 0;
        for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 9; ++at, ++digits)
            length = length * 10 + static_cast<size_t>(text[at] - '0');
        if (digits == 0 || at >= text.size() || text[at] != ':' || text.size() - at - 1 < length) throw damaged();
        std::string value = text.substr(at + 1, length);
        at += 1 + length;
        return value;
    };
    const auto flag = [&] {
        if (at >= text.size() || (text[at] != '0' && text[at] != '1')) throw damaged();
        return text[at++] == '1';
    };
    DeliveryRows rows;
    while (at < text.size()) {
        const std::optional<std::string> channel = field();
        if (!channel) throw damaged();
        DeliveryRow& row = rows[*channel];
        row.sent = field();
        row.sentSubscribe = flag();
        row.pending = flag();
        row.confirmed = field();
        row.subscribeConfirmed = flag();
    }
    return rows;
}

// The upgrade into kDeliveriesInMachineRow: each machine's delivery rows into its row.
void MoveDeliveries(SqlConnection& sql) {
    std::map<std::string, DeliveryRows> machines;
    for (const SqlRow& row : sql.Query("SELECT machine, channel, sent_version, sent_subscribe, pending, confirmed_version,"
                                       " subscribe_confirmed FROM deliveries"))
        machines[Text(row[0])][Text(row[1])] = DeliveryRow{row[2], Number(row[3]) != 0, Number(row[4]) != 0, row[5], Number(row[6]) != 0};
    for (const auto& [machine, rows] : machines)
        sql.Exec("UPDATE machines SET deliveries = $1 WHERE guid = $2", {EncodeDeliveries(rows), machine});
    sql.Exec("DROP TABLE deliveries");
}

}  // namespace

int SqlStore::SchemaVersion() { return static_cast<int>(std::size(kUpgrades)); }

SqlStore::SqlStore(ConnectionFactory connect, int writers, std::function<void()> syncCommits)
    : m_connect(std::move(connect)), m_writerCount(writers), m_syncCommits(std::move(syncCommits)),
      m_counterShard(static_cast<int64_t>(std::random_device{}() % kCounterShards)) {
    std::unique_ptr<SqlConnection> connection = m_connect();
    Upgrade(*connection);
    Release(std::move(connection));
}

void SqlStore::Upgrade(SqlConnection& connection) {
    connection.Begin();
    try {
        connection.LockSchema();
        connection.Exec("CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)");
        const auto rows = connection.Query("SELECT value FROM meta WHERE key = 'schema_version'");
        int version = rows.empty() ? 0 : static_cast<int>(Number(rows[0][0]));
        if (version > SchemaVersion())
            throw StoreError("the database has schema version " + std::to_string(version) + ", newer than this program's " +
                             std::to_string(SchemaVersion()));
        for (; version < SchemaVersion(); ++version) {
            connection.Exec(SchemaText(kUpgrades[version], connection).c_str());
            if (version + 1 == kDeliveriesInMachineRow) MoveDeliveries(connection);
        }
        connection.Exec("INSERT INTO meta(key, value) VALUES('schema_version', $1) ON CONFLICT(key) DO UPDATE SET value = excluded.value",
                        {std::to_string(version)});
        connection.Exec("INSERT INTO meta(key, value) VALUES('catalogue_revision', '0') ON CONFLICT(key) DO NOTHING");
        connection.Commit();
    } catch (...) {
        connection.Rollback();
        throw;
    }
}

std::unique_ptr<SqlConnection> SqlStore::Acquire() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            auto connection = std::move(m_idle.back());
            m_idle.pop_back();
            return connection;
        }
    }
    return m_connect();
}

void SqlStore::Release(std::unique_ptr<SqlConnection> connection) {
    std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(connection));
}

template <typename Work>
auto SqlStore::InTransaction(Work work) {
    for (int attempt = 1;; ++attempt) {
        std::unique_ptr<SqlConnection> connection = Acquire();
        try {
            connection->Begin();
            auto result = work(*connection);
            connection->Commit();
            Release(std::move(connection));
            return result;
        } catch (const StoreConflict&) {
            connection->Rollback();
            Release(std::move(connection));
            if (attempt == kConflictRetries) throw;
            std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 5));
        } catch (const StoreError&) {
            // The connection may be broken: it is dropped, not pooled.
            connection->Rollback();
            throw;
        }
    }
}

void SqlStore::ImportCatalogue(const std::vector<CatalogueBlock>& blocks) {
    InTransaction([&](SqlConnection& sql) {
        sql.Exec("UPDATE catalogue SET published = 0");
        int64_t position = 0;
        for (const CatalogueBlock& block : blocks)
            sql.Exec("INSERT INTO catalogue(guid, type, position, published, block) VALUES($1, $2, $3, 1, $4)"
                     " ON CONFLICT(guid) DO UPDATE SET type = excluded.type, position = excluded.position,"
                     " published = 1, block = excluded.block",
                     {block.guid, block.type, position++, block.Text()});
        sql.Exec("UPDATE meta SET value = $1 WHERE key = 'catalogue_revision'",
                 {std::to_string(Number(sql.Query("SELECT value FROM meta WHERE key = 'catalogue_revision'")[0][0]) + 1)});
        return 0;
    });
    if (m_syncCommits) m_syncCommits();
}

int64_t SqlStore::CatalogueRevision() {
    return InTransaction([](SqlConnection& sql) {
        return Number(sql.Query("SELECT value FROM meta WHERE key = 'catalogue_revision'")[0][0]);
    });
}

StoredCatalogue SqlStore::LoadCatalogue() {
    return InTransaction([](SqlConnection& sql) {
        StoredCatalogue stored;
        stored.revision = Number(sql.Query("SELECT value FROM meta WHERE key = 'catalogue_revision'")[0][0]);
        for (const SqlRow& row : sql.Query("SELECT block FROM catalogue WHERE published = 1 ORDER BY position"))
            stored.blocks.push_back(Text(row[0]));
        return stored;
    });
}

namespace {

// What is stored of a machine: its subscriptions, what it was sent and confirmed, and the
// items it reported installed.
struct StoredMachine {
    std::optional<std::string> clversion;  // none: a machine not seen before
    int64_t lastSeen = 0;
    std::map<std::string, std::string> subscriptions;  // channel -> DistID
    std::string deliveriesText;                        // as stored
    MachineState state;
};

// The rows of the machine query, each led by its machine: @WHERE@ selects the machines.
const char* const kMachineQuery =
    "SELECT guid, 'm', clversion, deliveries, last_seen FROM machines WHERE guid @WHERE@"
    " UNION ALL SELECT machine, 's', channel, distid, 0 FROM subscriptions WHERE machine @WHERE@"
    " UNION ALL SELECT machine, 'i', item, '', 0 FROM installs WHERE machine @WHERE@";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

void AddMachineRows(const std::vector<SqlRow>& rows, std::map<std::string, StoredMachine>& machines) {
    for (const SqlRow& row : rows) {
        StoredMachine& stored = machines[Text(row[0])];
        const std::string kind = Text(row[1]);
        if (kind == "m") {
            stored.clversion = Text(row[2]);
            stored.deliveriesText = Text(row[3]);
            stored.lastSeen = Number(row[4]);
        } else if (kind == "s") {
            stored.subscriptions[Text(row[2])] = Text(row[3]);
        } else {
            stored.state.installed.insert(Text(row[2]));
        }
    }
}

// Reads the machines of a batch: in one query where a query is a round trip (the machines
// written as literals, so that the server plans it for them), else one prepared query each.
std::map<std::string, StoredMachine> ReadMachines(SqlConnection& sql, const std::vector<std::string>& machines) {
    std::map<std::string, StoredMachine> stored;
    if (sql.HasRoundTrips()) {
        std::string list = "IN (";
        for (const std::string& machine : machines) list += (list.size() > 4 ? "," : "") + sql.Literal(machine);
        const std::string query = Replaced(kMachineQuery, "@WHERE@", list + ")");
        AddMachineRows(sql.Query(query.c_str()), stored);
    } else {
        static const std::string query = Replaced(kMachineQuery, "@WHERE@", "= $1");
        for (const std::string& machine : machines) AddMachineRows(sql.Query(query.c_str(), {machine}), stored);
    }
    return stored;
}

// Where a batch's writes go: straight to the connection, or, where each statement is a round
// trip, into one script sent by Flush (the parameters written as literals). New installs go
// last, in one statement that returns what it inserted, so that each is counted once even when
// another process records the same install at once.
class BatchWrites {
public:
    explicit BatchWrites(SqlConnection& sql) : m_sql(sql), m_script(sql.HasRoundTrips()) {}

    void Exec(const char* statement, const std::vector<SqlValue>& params) {
        if (!m_script) {
            m_sql.Exec(statement, params);
            return;
        }
        m_text += Substituted(statement, params);
        m_text += ";\n";
    }

    // The number of rows inserted (0 until Flush when writing a script).
    int64_t Install(const std::string& machine, const std::string& item, const std::string& channel, int64_t now) {
        if (!m_script)
            return m_sql.Exec("INSERT INTO installs(machine, item, channel, reported) VALUES($1, $2, $3, $4)"
                              " ON CONFLICT(machine, item) DO NOTHING",
                              {machine, item, channel, now});
        m_installs += std::string(m_installs.empty() ? "" : ",") + "(" + Substituted("$1, $2, $3, $4", {machine, item, channel, now}) + ")";
        return 0;
    }

    // Sends the script; the installs it inserted, per machine.
    std::map<std::string, int> Flush() {
        std::map<std::string, int> inserted;
        if (!m_installs.empty()) {
            m_text += "INSERT INTO installs(machine, item, channel, reported) VALUES" + m_installs +
                      " ON CONFLICT(machine, item) DO NOTHING RETURNING machine";
            for (const SqlRow& row : m_sql.Query(m_text.c_str())) ++inserted[Text(row[0])];
        } else if (!m_text.empty()) {
            m_sql.Exec(m_text.c_str());
        }
        m_text.clear();
        m_installs.clear();
        return inserted;
    }

private:
    std::string Substituted(const char* statement, const std::vector<SqlValue>& params) const {
        std::string text;
        for (const char* c = statement; *c; ++c) {
            if (*c != '$' || !std::isdigit(static_cast<unsigned char>(c[1]))) {
                text += *c;
                continue;
            }
            size_t index = 0;
            while (std::isdigit(static_cast<unsigned char>(c[1]))) index = index * 10 + static_cast<size_t>(*++c - '0');
            const SqlValue& value = params.at(index - 1);
            if (const auto* number = std::get_if<int64_t>(&value))
                text += std::to_string(*number);
            else if (const auto* string = std::get_if<std::string>(&value))
                text += m_sql.Literal(*string);
            else
                text += "NULL";
        }
        return text;
    }

    SqlConnection& m_sql;
    const bool m_script;
    std::string m_text;
    std::string m_installs;
};

// The machine's subscriptions become the channels it lists; unchanged ones are not written.
void ReplaceSubscriptions(BatchWrites& writes, const CheckinForm& form, const std::map<std::string, std::string>& stored) {
    std::map<std::string, std::string> listed;
    for (const ListedChannel& channel : form.channels) listed[channel.guid] = channel.distId;
    if (stored == listed) return;
    if (!stored.empty()) writes.Exec("DELETE FROM subscriptions WHERE machine = $1", {form.machine});
    for (const auto& [channel, distId] : listed)
        writes.Exec("INSERT INTO subscriptions(machine, channel, distid) VALUES($1, $2, $3)"
                    " ON CONFLICT(machine, channel) DO UPDATE SET distid = excluded.distid",
                    {form.machine, channel, distId});
}

// One check-in, from its machine's stored state; only what changes is written. A delivery
// still pending counts as confirmed by this check-in.
CheckinRecorded RecordOne(BatchWrites& writes, StoredMachine& stored, const CheckinForm& form, int64_t now, const AnswerPlanner& planner) {
    CheckinRecorded recorded;
    const std::string& machine = form.machine;
    DeliveryRows deliveries = DecodeDeliveries(stored.deliveriesText);
    for (auto& [channel, row] : deliveries) {
        if (row.pending) {
            row.confirmed = row.sent;
            row.subscribeConfirmed = row.subscribeConfirmed || row.sentSubscribe;
            row.pending = false;
        }
        stored.state.deliveries[channel] = ChannelDelivery{row.confirmed, row.subscribeConfirmed};
    }
    ReplaceSubscriptions(writes, form, stored.subscriptions);
    for (const ReportedInstall& install : form.installed) {
        if (install.item == kMachineResetItem) continue;  // a former machine id, not an item
        if (!stored.state.installed.insert(install.item).second) continue;  // recorded before
        recorded.newInstalls += static_cast<int>(writes.Install(machine, install.item, install.channel, now));
    }
    for (const DeliveryRecord& delivery : planner(stored.state)) {
        DeliveryRow& row = deliveries[delivery.channel];
        row.sent = delivery.version;
        row.sentSubscribe = delivery.subscribe;
        row.pending = true;
    }
    std::string deliveriesText = EncodeDeliveries(deliveries);
    if (stored.clversion != form.clversion || now - stored.lastSeen >= kLastSeenResolution || deliveriesText != stored.deliveriesText)
        writes.Exec("INSERT INTO machines(guid, first_seen, last_seen, clversion, deliveries) VALUES($1, $2, $2, $3, $4)"
                    " ON CONFLICT(guid) DO UPDATE SET last_seen = excluded.last_seen, clversion = excluded.clversion,"
                    " deliveries = excluded.deliveries",
                    {machine, now, form.clversion, std::move(deliveriesText)});
    return recorded;
}

// Adds a batch's check-ins to the per-day counters, in one statement per day.
void CountCheckins(BatchWrites& writes, const std::map<std::string, int64_t>& perDay, int64_t shard) {
    for (const auto& [day, count] : perDay)
        writes.Exec("INSERT INTO checkin_days(day, shard, checkins) VALUES($1, $2, $3)"
                    " ON CONFLICT(day, shard) DO UPDATE SET checkins = checkin_days.checkins + excluded.checkins",
                    {day, shard, count});
}

struct BatchEntry {
    const CheckinForm* form;
    int64_t now;
    const AnswerPlanner* planner;
    CheckinRecorded* recorded;
};

// Records check-ins (sorted by machine) in the caller's transaction. A round takes each
// machine once, so that a machine's second check-in of the batch reads what its first wrote;
// the counters are written last.
void RecordAll(SqlConnection& sql, const std::vector<BatchEntry>& entries, int64_t shard) {
    BatchWrites writes(sql);
    std::map<std::string, int64_t> perDay;
    for (const BatchEntry& entry : entries) ++perDay[DayOf(entry.now)];
    std::vector<BatchEntry> todo = entries;
    while (!todo.empty()) {
        std::vector<BatchEntry> round, later;
        std::vector<std::string> machines;
        for (const BatchEntry& entry : todo) {
            if (!machines.empty() && machines.back() == entry.form->machine) {
                later.push_back(entry);
                continue;
            }
            machines.push_back(entry.form->machine);
            round.push_back(entry);
        }
        std::map<std::string, StoredMachine> stored = ReadMachines(sql, machines);
        for (const BatchEntry& entry : round)
            *entry.recorded = RecordOne(writes, stored[entry.form->machine], *entry.form, entry.now, *entry.planner);
        if (later.empty()) CountCheckins(writes, perDay, shard);
        for (const auto& [machine, inserted] : writes.Flush())
            for (const BatchEntry& entry : round)
                if (entry.form->machine == machine) entry.recorded->newInstalls += inserted;
        todo.swap(later);
    }
}

}  // namespace

struct SqlStore::PendingCheckin {
    CheckinForm form;
    int64_t now;
    AnswerPlanner planner;
    CheckinDone done;
    CheckinRecorded recorded;
    std::exception_ptr error;
};

SqlStore::~SqlStore() {
    {
        std::lock_guard lock(m_pendingMutex);
        m_stopping = true;
    }
    m_pendingChanged.notify_all();
    for (std::thread& writer : m_writers) writer.join();
    {
        std::lock_guard lock(m_pendingMutex);
        m_writerStopped = true;
    }
    m_committedChanged.notify_all();
    if (m_syncer.joinable()) m_syncer.join();
}

CheckinRecorded SqlStore::RecordCheckin(const CheckinForm& form, int64_t now, const AnswerPlanner& planner) {
    if (m_writerCount == 0)
        return InTransaction([&](SqlConnection& sql) {
            CheckinRecorded recorded;
            RecordAll(sql, {BatchEntry{&form, now, &planner, &recorded}}, m_counterShard);
            return recorded;
        });
    std::promise<CheckinRecorded> promise;
    RecordCheckinAsync(form, now, planner, [&promise](CheckinRecorded recorded, std::exception_ptr error) {
        if (error)
            promise.set_exception(error);
        else
            promise.set_value(recorded);
    });
    return promise.get_future().get();
}

void SqlStore::RecordCheckinAsync(CheckinForm form, int64_t now, AnswerPlanner planner, CheckinDone done) {
    if (m_writerCount == 0) return Store::RecordCheckinAsync(std::move(form), now, std::move(planner), std::move(done));
    auto pending = std::make_unique<PendingCheckin>(PendingCheckin{std::move(form), now, std::move(planner), std::move(done), {}, nullptr});
    {
        std::lock_guard lock(m_pendingMutex);
        for (int index = static_cast<int>(m_writers.size()); index < m_writerCount; ++index)
            m_writers.emplace_back([this, index] { WriteBatches((m_counterShard + index) % kCounterShards); });
        m_pending.push_back(std::move(pending));
        if (m_writersWaiting == 0) return;  // a writer takes it with its next batch
    }
    m_pendingChanged.notify_one();
}

// A writer thread: takes every check-in that arrived while it wrote its last batch and records
// them in one transaction, then tells each one's caller. Its counter shard is its own.
void SqlStore::WriteBatches(int64_t shard) {
    for (;;) {
        std::vector<std::unique_ptr<PendingCheckin>> batch;
        {
            std::unique_lock lock(m_pendingMutex);
            ++m_writersWaiting;
            m_pendingChanged.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
            --m_writersWaiting;
            if (m_pending.empty()) return;
            batch.swap(m_pending);
        }
        RecordBatch(batch, shard);
        if (!m_syncCommits) {
            Answer(batch);
            continue;
        }
        {
            std::lock_guard lock(m_pendingMutex);
            if (!m_syncer.joinable()) m_syncer = std::thread([this] { SyncBatches(); });
            for (auto& pending : batch) m_committed.push_back(std::move(pending));
            if (!m_syncerWaiting) continue;
        }
        m_committedChanged.notify_one();
    }
}

// The syncer thread: one sync for every batch committed since the last, then their answers.
// It ends after the writer has, once nothing waits.
void SqlStore::SyncBatches() {
    for (;;) {
        std::vector<std::unique_ptr<PendingCheckin>> batch;
        {
            std::unique_lock lock(m_pendingMutex);
            m_syncerWaiting = true;
            m_committedChanged.wait(lock, [this] { return m_writerStopped || !m_committed.empty(); });
            m_syncerWaiting = false;
            if (m_committed.empty()) return;
            batch.swap(m_committed);
        }
        try {
            m_syncCommits();
        } catch (...) {  // not known to be on disk: not answered as recorded
            for (const auto& pending : batch)
                if (!pending->error) pending->error = std::current_exception();
        }
        Answer(batch);
    }
}

void SqlStore::Answer(std::vector<std::unique_ptr<PendingCheckin>>& batch) {
    for (const auto& pending : batch) pending->done(pending->recorded, pending->error);
}

void SqlStore::RecordBatch(std::vector<std::unique_ptr<PendingCheckin>>& all, int64_t shard) {
    std::vector<PendingCheckin*> batch;
    for (const auto& pending : all) batch.push_back(pending.get());
    // Rows are written in one order (by machine, then the counter) in every batch, so that
    // batches of processes sharing a database wait for each other instead of deadlocking.
    std::stable_sort(batch.begin(), batch.end(),
                     [](const PendingCheckin* a, const PendingCheckin* b) { return a->form.machine < b->form.machine; });
    // A check-in that fails is taken out and the rest recorded again, so that one bad check-in
    // does not fail the others.
    const auto entries = [](const std::vector<PendingCheckin*>& pendings) {
        std::vector<BatchEntry> entries;
        for (PendingCheckin* pending : pendings) entries.push_back({&pending->form, pending->now, &pending->planner, &pending->recorded});
        return entries;
    };
    while (!batch.empty()) {
        try {
            InTransaction([&](SqlConnection& sql) {
                for (PendingCheckin* pending : batch) pending->recorded = {};
                RecordAll(sql, entries(batch), shard);
                return 0;
            });
            return;
        } catch (...) {
            if (batch.size() == 1) {
                batch[0]->error = std::current_exception();
                return;
            }
            PendingCheckin* first = batch.front();
            batch.erase(batch.begin());
            try {
                InTransaction([&](SqlConnection& sql) {
                    first->recorded = {};
                    RecordAll(sql, entries({first}), shard);
                    return 0;
                });
            } catch (...) {
                first->error = std::current_exception();
            }
        }
    }
}

ReportData SqlStore::Report(int64_t now) {
    return InTransaction([&](SqlConnection& sql) {
        ReportData report;
        const auto machines = sql.Query(
            "SELECT COUNT(*), COALESCE(SUM(CASE WHEN last_seen >= $1 THEN 1 ELSE 0 END), 0) FROM machines", {now - 86400});
        report.machines = Number(machines[0][0]);
        report.machinesLastDay = Number(machines[0][1]);
        for (const SqlRow& row : sql.Query("SELECT channel, distid, COUNT(*) FROM subscriptions GROUP BY channel, distid ORDER BY channel, distid"))
            report.subscriptions.push_back({Text(row[0]), Text(row[1]), Number(row[2])});
        for (const SqlRow& row : sql.Query("SELECT item, COUNT(*) FROM installs GROUP BY item ORDER BY item"))
            report.installsByItem.push_back({Text(row[0]), "", Number(row[1])});
        for (const SqlRow& row : sql.Query(
                 "SELECT i.item, COALESCE(s.distid, ''), COUNT(*) FROM installs i LEFT JOIN subscriptions s"
                 " ON s.machine = i.machine AND s.channel = i.channel GROUP BY i.item, COALESCE(s.distid, '') ORDER BY 1, 2"))
            report.installsByItemDistId.push_back({Text(row[0]), Text(row[1]), Number(row[2])});
        for (const SqlRow& row : sql.Query("SELECT day, SUM(checkins) FROM checkin_days GROUP BY day ORDER BY day"))
            report.checkinsPerDay.push_back({Text(row[0]), Number(row[1])});
        return report;
    });
}

bool SqlStore::Healthy() noexcept {
    try {
        return InTransaction([](SqlConnection& sql) { return !sql.Query("SELECT 1").empty(); });
    } catch (...) {
        return false;
    }
}
