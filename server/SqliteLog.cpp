#include "server/SqliteLog.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "server/Store.h"

namespace {

// Log sizes in pages: the log is woken at the first, a committer copies at the second.
constexpr int kSoftLogPages = 1000;
constexpr int kHardLogPages = 20000;

}  // namespace

SqliteLog::SqliteLog(std::string path) : m_path(std::move(path)) {}

SqliteLog::~SqliteLog() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
    if (m_logFd >= 0) ::close(m_logFd);
}

// The log file is synced through a descriptor of its own: a sync writes out the file's pages
// whichever descriptor wrote them. It is opened again should the file have been replaced.
void SqliteLog::Sync() {
    std::lock_guard lock(m_syncMutex);
    const std::string logPath = m_path + "-wal";
    struct stat byPath {}, byFd {};
    if (m_logFd >= 0 && (::stat(logPath.c_str(), &byPath) != 0 || ::fstat(m_logFd, &byFd) != 0 || byPath.st_ino != byFd.st_ino)) {
        ::close(m_logFd);
        m_logFd = -1;
    }
    if (m_logFd < 0) {
        m_logFd = ::open(logPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_logFd < 0) throw StoreError("cannot open " + logPath + ": " + std::strerror(errno));
        // The log's name itself must survive too.
        const size_t slash = m_path.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : m_path.substr(0, slash + 1);
        const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    }
    if (::fdatasync(m_logFd) != 0) throw StoreError("cannot sync " + logPath + ": " + std::strerror(errno));
}

void SqliteLog::Watch(sqlite3* db) { sqlite3_wal_hook(db, &SqliteLog::OnCommit, this); }

int SqliteLog::OnCommit(void* self, sqlite3* db, const char* name, int pages) {
    if (pages >= kHardLogPages)
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    else if (pages >= kSoftLogPages)
        static_cast<SqliteLog*>(self)->Wake();
    return SQLITE_OK;
}

void SqliteLog::Wake() {
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
void SqliteLog::Run() {
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
