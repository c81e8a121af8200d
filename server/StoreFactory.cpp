#include <sys/stat.h>

#include "server/PgConnection.h"
#include "server/SqlStore.h"
#include "server/SqliteConnection.h"
#include "server/Store.h"

std::unique_ptr<Store> OpenStore(const std::string& dataDir, const std::string& postgresUrl) {
    if (!postgresUrl.empty())
        return std::make_unique<SqlStore>([postgresUrl] { return std::make_unique<PgConnection>(postgresUrl); }, true);
    ::mkdir(dataDir.c_str(), 0750);
    const std::string path = dataDir + "/zul.db";
    auto log = std::make_shared<SqliteLog>(path);
    return std::make_unique<SqlStore>([path, log] { return std::make_unique<SqliteConnection>(path, log); }, true,
                                      [log] { log->Sync(); });
}
