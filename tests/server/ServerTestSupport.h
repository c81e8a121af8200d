// A fresh store for each test (embedded in a temporary directory, or a new database of the
// test cluster when ZUL_TEST_STORE=postgresql), a small catalogue, and check-ins built exactly
// as the client builds them.
#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "records/ResponseText.h"
#include "server/CheckinService.h"
#include "server/Metrics.h"
#include "server/Store.h"

namespace servertest {

// The catalogue's identifiers.
inline const std::string kPresetChannel = "{9D406394-BD56-70FD-BC9D-878734DB1AB6}";
inline const std::string kOtherChannel = "{2B1C3D4E-5F60-4172-8394-A5B6C7D8E9F0}";
inline const std::string kPresetItem = "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D51}";
inline const std::string kOtherItem = "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D52}";
inline const std::string kChannelFiles = "{1BE3A785-8017-545C-62F3-D5C10ACC50BD}";
inline const std::string kItemFiles = "{5E1F0C2A-7B3D-4E8F-9A6B-2C4D8E0F1A3B}";
inline const std::string kOtherFiles = "{5E1F0C2A-7B3D-4E8F-9A6B-2C4D8E0F1A3C}";
// The bytes of the archive kept under files/ for kChannelFiles.
inline const std::string kChannelArchive = "channel archive bytes";

// The catalogue, with the preset channel at the given version.
std::string CatalogueText(int presetVersion = 1);

class TestServer {
public:
    TestServer();
    ~TestServer();
    Store& GetStore() { return *m_store; }
    const std::string& DataDir() const { return m_dataDir; }
    // Writes text as DATA/name and imports it; the import's message, "" on success.
    std::string Import(const std::string& text, const std::string& name = "catalogue.txt");
    // A check-in service over this store, signing with key when given.
    std::unique_ptr<CheckinService> Service(std::optional<SigningKey> key = std::nullopt);
    Metrics& GetMetrics() { return m_metrics; }

private:
    std::string m_dataDir, m_database;
    std::unique_ptr<Store> m_store;
    Metrics m_metrics;
};

// The body the client sends: channels as (GUID, DistID or "" for none) in listed order, the
// pending installed list as stored, and a nonce when given.
std::string RequestBody(const std::string& machine, const std::vector<std::pair<std::string, std::string>>& channels,
                        const std::string& installed, const std::string& nonce = "");

// An answer read back with the client's own parser; the GUIDs of its blocks of one type.
std::vector<std::string> BlockIds(const std::string& answer, const char* type);
// A block's value by type, GUID and key ("" when absent).
std::string BlockValue(const std::string& answer, const char* type, const std::string& guid, const char* key);

}  // namespace servertest
