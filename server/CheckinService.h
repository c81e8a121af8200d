// One check-in from request body to answer: parse, record and answer in one store transaction,
// sign when a key and a nonce are there, count. Independent of HTTP, so tests drive it directly.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "server/CatalogueIndex.h"
#include "server/CheckinForm.h"
#include "server/Crypto.h"
#include "server/Metrics.h"
#include "server/Store.h"

// An import through any process reaches every serve process within this delay.
constexpr std::chrono::milliseconds kCatalogueRefresh{1000};

struct CheckinReply {
    int status = 200;          // 200, 400 (refused) or 503 (store failed)
    std::string body;          // the answer, or a one-line reason
    std::string signature;     // X-ZUL-Signature, empty when none
    size_t items = 0, channels = 0;
};

struct ServiceSettings {
    int intervalMinutes = kDefaultIntervalMinutes;
    std::string filesUrl;  // base of relative "SourceURL"s; empty: http:// + Host + /files/
};

class CheckinService {
public:
    CheckinService(Store& store, ServiceSettings settings, std::optional<SigningKey> key, Metrics& metrics);

    // host: the request's Host header (checked before use).
    CheckinReply Checkin(std::string_view body, std::string_view host, int64_t now);
    // The same without waiting for the store: `done` gets the reply, possibly on the store's
    // writer thread.
    using ReplyDone = std::function<void(CheckinReply)>;
    void CheckinAsync(std::string_view body, std::string_view host, int64_t now, ReplyDone done);
    // The catalogue in force (refreshed when an import has raised its revision).
    std::shared_ptr<const CatalogueIndex> Catalogue();

private:
    std::string FilesBase(std::string_view host) const;
    CheckinReply StoreFailed(const char* what, std::chrono::steady_clock::time_point start);

    Store& m_store;
    ServiceSettings m_settings;
    std::optional<SigningKey> m_key;
    Metrics& m_metrics;
    std::mutex m_mutex;
    std::shared_ptr<const CatalogueIndex> m_catalogue;
    std::chrono::steady_clock::time_point m_checked{};
};

// A Host header that may go into a URL: host name, IPv4 or bracketed IPv6, optional port.
bool IsSafeHost(std::string_view host);
