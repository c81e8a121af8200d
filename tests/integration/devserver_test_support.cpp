#include "tests/integration/devserver_test_support.h"

#include <cstdlib>
#include <utility>

#include "common/ProductKeys.h"
#include "common/ProgramTestSupport.h"

using namespace testsupport;

namespace devservertest {

std::string JsonText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '\r') { out += "\\r"; continue; }
        if (c == '\n') { out += "\\n"; continue; }
        out += c;
    }
    return out;
}

std::string Ok200(const std::string& body) { return "{\"status\": 200, \"body\": \"" + JsonText(body) + "\"}"; }

DevServer::DevServer() { Open(Environment("ZUL_DEVSERVER_STATE")); }

DevServer::DevServer(const std::string& unixStateDir, bool secure) {
    Open(unixStateDir);
    if (secure && Running()) m_base = "https://localhost:" + m_port;
}

void DevServer::Open(const std::string& state) {
    if (state.empty()) return;
    m_stateDir = WindowsPathOf(state);
    m_port = ReadFileText(m_stateDir + "\\port");
    m_base = "http://127.0.0.1:" + m_port;
    for (const char* name : {"requests.log", "script.json", "catalogue.txt"}) DeleteFileA((m_stateDir + "\\" + name).c_str());
}

void DevServer::PointManagerAt() const { WriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, "CheckinURL", CheckinUrl()); }

std::string DevServer::FileUrl(const std::string& relative) const { return m_base + "/files/" + relative; }

std::string DevServer::PublisherKey() const { return ReadFileText(m_stateDir + "\\publisher.key"); }

bool DevServer::ScriptJson(const std::string& json) const { return WriteFileBytes(m_stateDir + "\\script.json", json); }

bool DevServer::ScriptRaw(const std::vector<std::string>& answers) const {
    std::string json = "[";
    for (const std::string& answer : answers) json += (json.size() > 1 ? "," : "") + answer;
    return ScriptJson(json + "]");
}

bool DevServer::Script(const std::vector<std::string>& bodies) const {
    std::vector<std::string> answers;
    for (const std::string& body : bodies) answers.push_back(Ok200(body));
    return ScriptRaw(answers);
}

std::vector<std::string> DevServer::Requests() const {
    std::vector<std::string> lines;
    const std::string text = ReadFileText(m_stateDir + "\\requests.log");
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

namespace {

bool RegisterManager(const char* scratchName, std::string* directory) {
    testsupport::StopAllManagers();
    testsupport::DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kTessary);
    if (scratchName) {
        *directory = testsupport::MakeScratchDirectory(scratchName);
        testsupport::WriteString(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, "Path", *directory);
    }
    return testsupport::RunProgram(testsupport::BinPath("ZULMan.exe"), "-RegServer") == DWORD{0};
}

}  // namespace

bool RegisterManagerWithoutRecords() { return RegisterManager(nullptr, nullptr); }

bool RegisterManagerWithoutRecords(const char* scratchName, std::string& directory) {
    return RegisterManager(scratchName, &directory);
}

std::optional<std::string> ScheduleText(const char* value) {
    return testsupport::ReadString(HKEY_LOCAL_MACHINE, ProductKeys::kCheckin, value);
}

unsigned long long ScheduleNumber(const char* value) {
    const std::optional<std::string> text = ScheduleText(value);
    return text ? std::strtoull(text->c_str(), nullptr, 10) : ~0ull;
}

unsigned long long ScheduleNowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

bool WaitUntil(const std::function<bool()>& done, unsigned long timeoutMs) {
    for (unsigned long waited = 0; waited < timeoutMs; waited += 100) {
        if (done()) return true;
        Sleep(100);
    }
    return done();
}

ResidentManager::ResidentManager() {
    const PROCESS_INFORMATION started = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
    const UniqueHandle thread(started.hThread);
    m_process.reset(started.hProcess);
}

bool ResidentManager::Stop() {
    if (!m_process) return true;
    const UniqueHandle process(std::move(m_process));
    // The worker stores the schedule after the answer is applied.
    Sleep(500);
    PostToAll("ZULMan.exe", ZULM_MSG_SHUTDOWN);
    if (WaitForSingleObject(process.get(), 15000) == WAIT_OBJECT_0) return true;
    TerminateProcess(process.get(), 998);
    return false;
}

}  // namespace devservertest
