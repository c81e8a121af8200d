// zulserver's command line: a subcommand, --data DIR, optionally --db postgresql://..., and each
// subcommand's own options.
#pragma once
#include <string>
#include <vector>

#include "server/CheckinForm.h"

enum class ServerCommandKind { Import, Serve, Report, Keygen };

struct ServerCommand {
    ServerCommandKind kind = ServerCommandKind::Serve;
    std::string dataDir;
    std::string dbUrl;      // empty: the embedded store
    std::string catalogue;  // import
    std::string host = "127.0.0.1", port = "8080";  // serve --listen
    std::string filesUrl;
    int interval = kDefaultIntervalMinutes;
    int threads = 4;
    std::string accessLog;
    bool csv = false;  // report --format csv
};

struct ServerCommandParse {
    bool ok = false;
    std::string error;
    ServerCommand command;
};

extern const char kServerUsage[];

[[nodiscard]] ServerCommandParse ParseServerCommandLine(const std::vector<std::string>& args);
