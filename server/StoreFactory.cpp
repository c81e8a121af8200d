#include <sys/stat.h>
#include <cstdlib>

#include "server/PgConnection.h"
#include "server/SqlStore.h"
#include "server/SqliteConnection.h"
#include "server/Store.h"

std::unique_ptr<Store> OpenStore(const std::string& dataDir, const std::string& postgresUrl) {
    if (!postgresUrl.empty())
        return std::make_unique<SqlStore>([postgresUrl] { return std::make_unique<PgConnection>(postgresUrl); }, std::getenv("ZUL_PG_NOBATCH") == nullptr);
    ::mkdir(dataDir.c_str(), 0750);
    const std::string path = dataDir + "/zul.db";
    auto checkpointer = std::make_shared<SqliteCheckpointer>(path);
    return std::make_unique<SqlStore>([path, checkpointer] { return std::make_unique<SqliteConnection>(path, checkpointer); }, true);
}
