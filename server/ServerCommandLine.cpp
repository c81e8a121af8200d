#include "server/ServerCommandLine.h"

#include <charconv>

const char kServerUsage[] =
    "usage: zulserver import --data DIR [--db URL] CATALOGUE.txt\n"
    "       zulserver serve  --data DIR [--db URL] --listen HOST:PORT [--files-url URL] [--interval MINUTES]\n"
    "                        [--threads N] [--access-log FILE]\n"
    "       zulserver report --data DIR [--db URL] [--format csv]\n"
    "       zulserver keygen --data DIR\n";

namespace {

bool ReadInt(const std::string& text, int low, int high, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// HOST:PORT, with an IPv6 host in brackets.
bool SplitListen(const std::string& text, std::string& host, std::string& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.front() == '[') {
        if (host.back() != ']') return false;
        host = host.substr(1, host.size() - 2);
    }
    int number = 0;
    return !host.empty() && ReadInt(port, 0, 65535, number);
}

ServerCommandParse Fail(std::string error) {
    ServerCommandParse result;
    result.error = std::move(error);
    return result;
}

}  // namespace

ServerCommandParse ParseServerCommandLine(const std::vector<std::string>& args) {
    ServerCommandParse result;
    ServerCommand& command = result.command;
    if (args.empty()) return Fail("no command");
    const std::string& verb = args[0];
    if (verb == "import") command.kind = ServerCommandKind::Import;
    else if (verb == "serve") command.kind = ServerCommandKind::Serve;
    else if (verb == "report") command.kind = ServerCommandKind::Report;
    else if (verb == "keygen") command.kind = ServerCommandKind::Keygen;
    else return Fail("unknown command \"" + verb + "\"");

    bool listenGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> const std::string& { return args[++i]; };
        const bool serve = command.kind == ServerCommandKind::Serve;
        if (arg == "--data" && hasValue) command.dataDir = value();
        else if (arg == "--db" && hasValue && command.kind != ServerCommandKind::Keygen) command.dbUrl = value();
        else if (arg == "--listen" && hasValue && serve) {
            if (!SplitListen(value(), command.host, command.port)) return Fail("--listen needs HOST:PORT");
            listenGiven = true;
        } else if (arg == "--files-url" && hasValue && serve) command.filesUrl = value();
        else if (arg == "--interval" && hasValue && serve) {
            if (!ReadInt(value(), 1, 525600, command.interval)) return Fail("--interval needs minutes from 1 to 525600");
        } else if (arg == "--threads" && hasValue && serve) {
            if (!ReadInt(value(), 1, 256, command.threads)) return Fail("--threads needs 1 to 256");
        } else if (arg == "--access-log" && hasValue && serve) command.accessLog = value();
        else if (arg == "--format" && hasValue && command.kind == ServerCommandKind::Report) {
            const std::string& format = value();
            if (format != "csv" && format != "text") return Fail("--format is csv or text");
            command.csv = format == "csv";
        } else if (command.kind == ServerCommandKind::Import && command.catalogue.empty() && !arg.starts_with("--"))
            command.catalogue = arg;
        else return Fail("unexpected argument \"" + arg + "\"");
    }
    if (command.dataDir.empty()) return Fail("--data DIR is required");
    if (command.kind == ServerCommandKind::Import && command.catalogue.empty()) return Fail("import needs a catalogue file");
    if (command.kind == ServerCommandKind::Serve && !listenGiven) return Fail("serve needs --listen HOST:PORT");
    if (!command.dbUrl.empty() && !command.dbUrl.starts_with("postgresql://") && !command.dbUrl.starts_with("postgres://"))
        return Fail("--db takes a postgresql:// URL");
    result.ok = true;
    return result;
}
