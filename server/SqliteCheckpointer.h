// Copies the embedded database's write-ahead log back into the database file on a thread of
// its own, so that the thread recording check-ins does not stop for it. Connections report the
// log's size after each commit; past a soft limit the checkpointer is woken, past a hard limit
// (it cannot keep up) the committing connection copies the log itself.
#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

class SqliteCheckpointer {
public:
    explicit SqliteCheckpointer(std::string path);
    ~SqliteCheckpointer();
    SqliteCheckpointer(const SqliteCheckpointer&) = delete;
    SqliteCheckpointer& operator=(const SqliteCheckpointer&) = delete;

    // Installs the commit hook on a connection to the database.
    void Watch(sqlite3* db);

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
};
