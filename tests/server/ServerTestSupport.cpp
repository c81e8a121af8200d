#include "ServerTestSupport.h"

#include <pqxx/pqxx>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

#include "checkin/CheckinRequest.h"
#include "server/Import.h"

namespace servertest {

namespace {

std::string ReadLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool UsePostgres() {
    const char* store = std::getenv("ZUL_TEST_STORE");
    return store && std::string(store) == "postgresql";
}

// The test cluster's URL (written by tests/server/pg-fixture).
std::string ClusterUrl() {
    const char* file = std::getenv("ZUL_PG_URL_FILE");
    const std::string url = file ? ReadLine(file) : std::string();
    if (url.empty()) throw std::runtime_error("ZUL_TEST_STORE=postgresql needs the cluster's URL in ZUL_PG_URL_FILE");
    return url;
}

std::string WithDatabase(const std::string& url, const std::string& database) {
    return url.substr(0, url.rfind('/') + 1) + database;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace

std::string CatalogueText(int presetVersion) {
    return "FileSet\r\n{\r\nGUID=" + kChannelFiles + "\r\nName=Channel Files\r\nSourceURL=channel.FileSet\r\n}\r\n"
           "FileSet\r\n{\r\nGuid=" + kItemFiles + "\r\nName=Game\r\nSourceURL=http://127.0.0.1:1/cdn/game.FileSet\r\n}\r\n"
           "FileSet\r\n{\r\nGuid=" + kOtherFiles + "\r\nName=Other\r\nSourceURL=other.FileSet\r\n}\r\n"
           "Channel\r\n{\r\nGuid=" + kPresetChannel + "\r\nName=Preset Channel\r\nVersion=" + std::to_string(presetVersion) +
           "\r\nOverrideExisting=1\r\nSubscribe=1\r\nFileSets=" + kChannelFiles + "\r\n}\r\n"
           "Channel\r\n{\r\nGuid=" + kOtherChannel + "\r\nName=Other Channel\r\nVersion=1\r\n}\r\n"
           "Item\r\n{\r\nGuid=" + kPresetItem + "\r\nType={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}\r\nChannel=" + kPresetChannel +
           "\r\nName=Game\r\nFileSets=" + kItemFiles + "\r\n}\r\n"
           "Item\r\n{\r\nGuid=" + kOtherItem + "\r\nType={A1E29D92-F94C-3D9C-CF8D-E58406789B1F}\r\nChannel=" + kOtherChannel +
           "\r\nName=Other Game\r\nFileSets=" + kOtherFiles + "\r\n}\r\n";
}

TestServer::TestServer() {
    char pattern[] = "/tmp/zulserver-test-XXXXXX";
    m_dataDir = mkdtemp(pattern);
    std::filesystem::create_directories(m_dataDir + "/files");
    WriteFile(m_dataDir + "/files/channel.FileSet", kChannelArchive);
    if (UsePostgres()) {
        static std::atomic<int> counter{0};
        m_database = "zt_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
        pqxx::connection admin(ClusterUrl());
        pqxx::nontransaction(admin).exec("CREATE DATABASE " + m_database);
        m_store = OpenStore(m_dataDir, WithDatabase(ClusterUrl(), m_database));
    } else {
        m_store = OpenStore(m_dataDir, "");
    }
}

TestServer::~TestServer() {
    m_store.reset();
    if (!m_database.empty()) {
        try {
            pqxx::connection admin(ClusterUrl());
            pqxx::nontransaction(admin).exec("DROP DATABASE IF EXISTS " + m_database);
        } catch (...) {
        }
    }
    std::filesystem::remove_all(m_dataDir);
}

std::string TestServer::Import(const std::string& text, const std::string& name) {
    WriteFile(m_dataDir + "/" + name, text);
    const ImportResult result = ImportCatalogueFile(*m_store, m_dataDir, m_dataDir + "/" + name);
    return result.ok ? std::string() : result.message;
}

std::unique_ptr<CheckinService> TestServer::Service(std::optional<SigningKey> key) {
    return std::make_unique<CheckinService>(*m_store, ServiceSettings{}, std::move(key), m_metrics);
}

std::string RequestBody(const std::string& machine, const std::vector<std::pair<std::string, std::string>>& channels,
                        const std::string& installed, const std::string& nonce) {
    std::vector<CheckinChannel> records;
    int priority = 1;
    for (const auto& [guid, distId] : channels) {
        CheckinChannel record{guid, "1", std::to_string(priority++), std::nullopt};
        if (!distId.empty()) record.distId = distId;
        records.push_back(record);
    }
    std::string body = BuildCheckinRequest(machine, ListedChannels(records), installed).body;
    if (!nonce.empty()) body += "&nonce=" + nonce;
    return body;
}

std::vector<std::string> BlockIds(const std::string& answer, const char* type) {
    C_ResponseText text;
    std::vector<std::string> ids;
    if (text.Load(answer) != ZULERR_SUCCESS) return {"(answer does not load)"};
    for (ZULError e = text.RewindBlock(type); e == ZULERR_SUCCESS; e = text.NextBlock(type)) {
        C_PropertyBlock* block = nullptr;
        if (text.CurrentBlock(block) == ZULERR_SUCCESS) ids.emplace_back(block->IdText());
    }
    return ids;
}

std::string BlockValue(const std::string& answer, const char* type, const std::string& guid, const char* key) {
    C_ResponseText text;
    if (text.Load(answer) != ZULERR_SUCCESS) return {};
    for (ZULError e = text.RewindBlock(type); e == ZULERR_SUCCESS; e = text.NextBlock(type)) {
        C_PropertyBlock* block = nullptr;
        std::string_view value;
        if (text.CurrentBlock(block) == ZULERR_SUCCESS && block->IdText() == guid)
            return block->GetProp(key, value) == ZULERR_SUCCESS ? std::string(value) : std::string();
    }
    return {};
}

}  // namespace servertest
