// The embedded database's write-ahead log, looked after apart from the thread that records
// check-ins:
// - Sync() puts every commit made so far on disk. Connections given a SqliteLog commit without
//   waiting for the disk, and the store answers their check-ins only after a Sync(), so that
//   one sync covers the batches committed while the previous one ran.
// - Checkpoints (copying the log back into the database file) run on a thread of their own.
//   Connections report the log's size after each commit; past a soft limit the checkpoint
//   thread is woken, past a hard limit (it cannot keep up) the committing connection copies.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

class SqliteLog {
public:
    explicit SqliteLog(std::string path);
    ~SqliteLog();
    SqliteLog(const SqliteLog&) = delete;
    SqliteLog& operator=(const SqliteLog&) = delete;

    // Installs the commit hook on a connection to the database.
    void Watch(sqlite3* db);
    // Waits until every commit made so far is on disk; StoreError when it cannot.
    void Sync();

private:
    static int OnCommit(void* self, sqlite3* db, const char* name, int pages);
    void Wake();
    void Run();

    const std::string m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_requested = false;
    bool m_stopping = false;
    std::thread m_thread;
    std::mutex m_syncMutex;  // guards m_logFd
    int m_logFd = -1;
};
