#include "server/CheckinService.h"

#include <cstdio>
#include <future>

#include "server/Answer.h"
#include "server/CheckinForm.h"

namespace {

constexpr size_t kHostLimit = 255;

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

bool IsSafeHost(std::string_view host) {
    if (host.empty() || host.size() > kHostLimit) return false;
    for (char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '-' || c == ':' || c == '[' || c == ']';
        if (!ok) return false;
    }
    return true;
}

CheckinService::CheckinService(Store& store, ServiceSettings settings, std::optional<SigningKey> key, Metrics& metrics)
    : m_store(store), m_settings(std::move(settings)), m_key(std::move(key)), m_metrics(metrics) {}

std::shared_ptr<const CatalogueIndex> CheckinService::Catalogue() {
    std::lock_guard lock(m_mutex);
    const auto now = std::chrono::steady_clock::now();
    if (m_catalogue && now - m_checked < kCatalogueRefresh) return m_catalogue;
    m_checked = now;
    if (!m_catalogue || m_store.CatalogueRevision() != m_catalogue->Revision())
        m_catalogue = std::make_shared<const CatalogueIndex>(m_store.LoadCatalogue());
    return m_catalogue;
}

std::string CheckinService::FilesBase(std::string_view host) const {
    if (!m_settings.filesUrl.empty())
        return m_settings.filesUrl.back() == '/' ? m_settings.filesUrl : m_settings.filesUrl + "/";
    return "http://" + std::string(IsSafeHost(host) ? host : std::string_view("localhost")) + "/files/";
}

CheckinReply CheckinService::Checkin(std::string_view body, std::string_view host, int64_t now) {
    std::promise<CheckinReply> promise;
    CheckinAsync(body, host, now, [&promise](CheckinReply reply) { promise.set_value(std::move(reply)); });
    return promise.get_future().get();
}

void CheckinService::CheckinAsync(std::string_view body, std::string_view host, int64_t now, ReplyDone done) {
    const auto start = std::chrono::steady_clock::now();
    CheckinFormResult parsed = ParseCheckinForm(body);
    if (!parsed.ok) {
        m_metrics.CountCheckin(CheckinOutcome::BadRequest, SecondsSince(start));
        return done(CheckinReply{400, parsed.reason + "\n", {}, 0, 0});
    }
    // What the planner decides is kept for the answer, which is written once the check-in is
    // recorded (the planner runs again when the store retries the transaction).
    struct Pending {
        std::shared_ptr<const CatalogueIndex> catalogue;
        std::optional<Answer> answer;
        std::optional<std::string> nonce;
        std::string filesBase;
    };
    auto pending = std::make_shared<Pending>();
    try {
        pending->catalogue = Catalogue();
    } catch (const StoreError& e) {
        return done(StoreFailed(e.what(), start));
    }
    pending->nonce = parsed.form.nonce;
    pending->filesBase = FilesBase(host);
    AnswerPlanner planner = [pending, form = parsed.form](const MachineState& state) {
        pending->answer.emplace(*pending->catalogue, form, state);
        return pending->answer->Deliveries();
    };
    m_store.RecordCheckinAsync(std::move(parsed.form), now, std::move(planner),
                               [this, pending, start, done = std::move(done)](CheckinRecorded recorded, std::exception_ptr error) {
        if (error) {
            try {
                std::rethrow_exception(error);
            } catch (const StoreError& e) {
                return done(StoreFailed(e.what(), start));
            } catch (const std::exception& e) {
                return done(StoreFailed(e.what(), start));
            }
        }
        CheckinReply reply;
        reply.body = pending->answer->Text(m_settings.intervalMinutes, pending->filesBase);
        reply.items = pending->answer->ItemCount();
        reply.channels = pending->answer->ChannelCount();
        if (m_key && pending->nonce) reply.signature = m_key->SignAnswer(*pending->nonce, reply.body);
        m_metrics.CountInstalls(recorded.newInstalls);
        m_metrics.CountCheckin(CheckinOutcome::Ok, SecondsSince(start));
        done(std::move(reply));
    });
}

CheckinReply CheckinService::StoreFailed(const char* what, std::chrono::steady_clock::time_point start) {
    std::fprintf(stderr, "zulserver: check-in not recorded: %s\n", what);
    m_metrics.CountStoreError();
    m_metrics.CountCheckin(CheckinOutcome::StoreError, SecondsSince(start));
    return CheckinReply{503, "store unavailable\n", {}, 0, 0};
}
