// The HTTP side of `serve` (Boost.Beast over Asio): the check-in path, /metrics, /healthz and,
// when the server serves its archives itself, /files/ with byte ranges. Anything else is 400.
#pragma once
#include <string>

#include "server/CheckinService.h"
#include "server/Metrics.h"
#include "server/Store.h"

constexpr std::string_view kCheckinPath = "/zulm/channelcheckin.asp";

struct FrontSettings {
    std::string host = "127.0.0.1";
    std::string port = "8080";
    int threads = 4;
    std::string filesDir;   // empty: no /files/
    std::string accessLog;  // empty: none
};

// Serves until SIGINT or SIGTERM; prints "zulserver: listening on HOST:PORT" once bound.
// Returns the process exit code.
int RunFront(const FrontSettings& settings, CheckinService& service, Store& store, Metrics& metrics);
