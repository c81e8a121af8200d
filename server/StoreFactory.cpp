#include <sys/stat.h>

#include "server/PgConnection.h"
#include "server/SqlStore.h"
#include "server/SqliteConnection.h"
#include "server/Store.h"

namespace {

// One writer thread per process: with more, batches get smaller and PostgreSQL's processes
// compete for the same CPUs (measured with bench/server_bench.sh); SQLite takes one writer.
constexpr int kWriters = 1;

}  // namespace

std::unique_ptr<Store> OpenStore(const std::string& dataDir, const std::string& postgresUrl) {
    if (!postgresUrl.empty())
        return std::make_unique<SqlStore>([postgresUrl] { return std::make_unique<PgConnection>(postgresUrl); }, kWriters);
    ::mkdir(dataDir.c_str(), 0750);
    const std::string path = dataDir + "/zul.db";
    auto log = std::make_shared<SqliteLog>(path);
    return std::make_unique<SqlStore>([path, log] { return std::make_unique<SqliteConnection>(path, log); }, kWriters,
                                      [log] { log->Sync(); });
}
