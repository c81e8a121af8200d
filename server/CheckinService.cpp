#include "server/CheckinService.h"

#include <cstdio>

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
    const auto start = std::chrono::steady_clock::now();
    CheckinReply reply;
    const CheckinFormResult parsed = ParseCheckinForm(body);
    if (!parsed.ok) {
        reply.status = 400;
        reply.body = parsed.reason + "\n";
        m_metrics.CountCheckin(CheckinOutcome::BadRequest, SecondsSince(start));
        return reply;
    }
    try {
        const std::shared_ptr<const CatalogueIndex> catalogue = Catalogue();
        std::optional<Answer> answer;
        const CheckinRecorded recorded = m_store.RecordCheckin(parsed.form, now, [&](const MachineState& state) {
            answer.emplace(*catalogue, parsed.form, state);
            return answer->Deliveries();
        });
        reply.body = answer->Text(m_settings.intervalMinutes, FilesBase(host));
        reply.items = answer->ItemCount();
        reply.channels = answer->ChannelCount();
        if (m_key && parsed.form.nonce) reply.signature = m_key->SignAnswer(*parsed.form.nonce, reply.body);
        m_metrics.CountInstalls(recorded.newInstalls);
        m_metrics.CountCheckin(CheckinOutcome::Ok, SecondsSince(start));
    } catch (const StoreError& e) {
        std::fprintf(stderr, "zulserver: check-in not recorded: %s\n", e.what());
        reply = CheckinReply{503, "store unavailable\n", {}, 0, 0};
        m_metrics.CountStoreError();
        m_metrics.CountCheckin(CheckinOutcome::StoreError, SecondsSince(start));
    }
    return reply;
}
