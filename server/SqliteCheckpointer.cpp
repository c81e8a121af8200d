#include "server/SqliteCheckpointer.h"

#include <sqlite3.h>

#include <cstdio>

namespace {

// Log sizes in pages: the checkpointer is woken at the first, a committer copies at the second.
constexpr int kSoftLogPages = 1000;
constexpr int kHardLogPages = 20000;

}  // namespace

SqliteCheckpointer::SqliteCheckpointer(std::string path) : m_path(std::move(path)) {}

SqliteCheckpointer::~SqliteCheckpointer() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void SqliteCheckpointer::Watch(sqlite3* db) { sqlite3_wal_hook(db, &SqliteCheckpointer::OnCommit, this); }

int SqliteCheckpointer::OnCommit(void* self, sqlite3* db, const char* name, int pages) {
    if (pages >= kHardLogPages)
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    else if (pages >= kSoftLogPages)
        static_cast<SqliteCheckpointer*>(self)->Wake();
    return SQLITE_OK;
}

void SqliteCheckpointer::Wake() {
    {
        std::lock_guard lock(m_mutex);
        if (m_requested || m_stopping) return;
        m_requested = true;
        if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    }
    m_changed.notify_one();
}

// A passive checkpoint runs beside the writer; once it has copied the whole log, the next
// write transaction starts the log over from its beginning.
void SqliteCheckpointer::Run() {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(m_path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "zulserver: checkpoints left to the writer: %s\n", db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close_v2(db);
        return;
    }
    sqlite3_busy_timeout(db, 1000);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_changed.wait(lock, [this] { return m_stopping || m_requested; });
        if (m_stopping) break;
        lock.unlock();
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
        m_requested = false;
    }
    sqlite3_close_v2(db);
}
