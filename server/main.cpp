// zulserver: the distribution server. Subcommands import, serve, report and keygen.
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "server/CheckinService.h"
#include "server/Crypto.h"
#include "server/HttpFront.h"
#include "server/Import.h"
#include "server/Report.h"
#include "server/ServerCommandLine.h"
#include "server/Store.h"

namespace {

std::string KeyPath(const ServerCommand& command) { return command.dataDir + "/" + std::string(kSigningKeyFile); }

int Keygen(const ServerCommand& command) {
    ::mkdir(command.dataDir.c_str(), 0750);
    std::string error;
    const auto key = SigningKey::Create(KeyPath(command), error);
    if (!key) {
        std::fprintf(stderr, "zulserver: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", key->PublicKeyBase64().c_str());
    return 0;
}

int Import(Store& store, const ServerCommand& command) {
    const ImportResult result = ImportCatalogueFile(store, command.dataDir, command.catalogue);
    std::fprintf(result.ok ? stdout : stderr, "zulserver: %s\n", result.message.c_str());
    return result.ok ? 0 : 1;
}

int Report(Store& store, const ServerCommand& command) {
    const CatalogueIndex names(store.LoadCatalogue());
    std::fputs(FormatReport(store.Report(static_cast<int64_t>(std::time(nullptr))), names, command.csv).c_str(), stdout);
    return 0;
}

int Serve(Store& store, const ServerCommand& command) {
    std::optional<SigningKey> key = SigningKey::Load(KeyPath(command));
    struct stat info{};
    if (!key && ::stat(KeyPath(command).c_str(), &info) == 0) {
        std::fprintf(stderr, "zulserver: %s is not a readable EC key\n", KeyPath(command).c_str());
        return 1;
    }
    Metrics metrics;
    CheckinService service(store, ServiceSettings{command.interval, command.filesUrl}, std::move(key), metrics);
    FrontSettings front;
    front.host = command.host;
    front.port = command.port;
    front.threads = command.threads;
    front.accessLog = command.accessLog;
    if (command.filesUrl.empty()) front.filesDir = command.dataDir + "/files";
    return RunFront(front, service, store, metrics);
}

}  // namespace

int main(int argc, char** argv) {
    const ServerCommandParse parsed = ParseServerCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok) {
        std::fprintf(stderr, "zulserver: %s\n%s", parsed.error.c_str(), kServerUsage);
        return 2;
    }
    const ServerCommand& command = parsed.command;
    if (command.kind == ServerCommandKind::Keygen) return Keygen(command);
    try {
        std::unique_ptr<Store> store = OpenStore(command.dataDir, command.dbUrl);
        switch (command.kind) {
            case ServerCommandKind::Import: return Import(*store, command);
            case ServerCommandKind::Report: return Report(*store, command);
            default: return Serve(*store, command);
        }
    } catch (const StoreError& e) {
        std::fprintf(stderr, "zulserver: store: %s\n", e.what());
        return 1;
    }
}
