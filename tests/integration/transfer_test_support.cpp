#include "transfer_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/PathHelpers.h"

namespace transfertest {

std::string FixtureDir() {
    const char* dir = std::getenv("ZUL_TRANSFER_FIXTURE");
    if (!dir || !dir[0]) {
        ADD_FAILURE() << "ZUL_TRANSFER_FIXTURE is not set (run through ctest)";
        return "Z:\\nonexistent";
    }
    std::string path = std::string("Z:") + dir;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

unsigned FixturePort(const char* name) {
    std::ifstream in(FixtureDir() + "\\" + name + ".port");
    unsigned port = 0;
    in >> port;
    EXPECT_NE(port, 0u) << "no port for " << name;
    return port;
}

std::string NginxUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(FixturePort("nginx")) + path;
}

std::string HelperUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(FixturePort("helper")) + path;
}

std::vector<std::string> HelperLog() {
    std::ifstream in(FixtureDir() + "\\helper.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<uint8_t> Pattern(size_t first, size_t count) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>((first + i) % 251);
    return bytes;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> SourceFile(const char* name) {
    std::string path = FixtureDir() + "\\html\\" + name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return ReadBytes(path);
}

ScratchFile::ScratchFile(const char* name, const std::vector<uint8_t>& initial) {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    m_path = std::string(directory) + "zul-transfer-" + name;
    WriteBytes(m_path, initial);
    m_file.reset(CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(m_file) << m_path;
}

ScratchFile::~ScratchFile() {
    m_file.reset();
    DeleteFileA(m_path.c_str());
}

std::vector<uint8_t> ScratchFile::Contents() {
    m_file.reset();
    return ReadBytes(m_path);
}

RegistryValueOverride::RegistryValueOverride(HKEY root, const char* subKey, const char* valueName,
                                             const std::string& text)
    : m_root(root), m_subKey(subKey), m_valueName(valueName ? valueName : "") {
    UniqueRegKey key;
    EXPECT_EQ(RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr), ERROR_SUCCESS);
    if (!key) return;
    char old[1024] = {};
    DWORD size = sizeof(old) - 1;
    m_hadValue = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
                 ERROR_SUCCESS;
    m_oldText = old;
    RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

RegistryValueOverride::~RegistryValueOverride() {
    UniqueRegKey key;
    if (RegOpenKeyExA(m_root, m_subKey.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
    const char* name = m_valueName.empty() ? nullptr : m_valueName.c_str();
    if (m_hadValue)
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_oldText.c_str()),
                       static_cast<DWORD>(m_oldText.size() + 1));
    else
        RegDeleteValueA(key.get(), name);
}

namespace {

constexpr char kClassesKey[] = "Software\\Classes";
constexpr char kTestProgId[] = "ZulTestNetscapeMarkup";
constexpr char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

NetscapeInstall::NetscapeInstall(bool makeDefault, const char* exeName) {
    const std::string programDir = m_root + "\\Netscape\\Communicator\\Program";
    EXPECT_TRUE(CreateDirectoryTree(programDir.c_str(), false));
    CreateDirectoryTree(usersDir().c_str(), false);
    m_exePath = programDir + "\\" + exeName;
    EXPECT_TRUE(CopyFileA(ProgramPath().c_str(), m_exePath.c_str(), FALSE)) << m_exePath;
    m_overrides.push_back(std::make_unique<RegistryValueOverride>(HKEY_LOCAL_MACHINE, kAppPathKey, "Path", m_exePath));
    if (makeDefault) {
        const std::string progIdKey = std::string(kClassesKey) + "\\" + kTestProgId + "\\shell\\open\\command";
        m_overrides.push_back(std::make_unique<RegistryValueOverride>(HKEY_LOCAL_MACHINE, progIdKey.c_str(), nullptr,
                                                        "\"" + m_exePath + "\" \"%1\""));
        const std::string extKey = std::string(kClassesKey) + "\\.html";
        m_overrides.push_back(std::make_unique<RegistryValueOverride>(HKEY_LOCAL_MACHINE, extKey.c_str(), nullptr, kTestProgId));
    }
}

NetscapeInstall::~NetscapeInstall() {
    while (!m_overrides.empty()) m_overrides.pop_back();  // restored in reverse order
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kClassesKey) + "\\" + kTestProgId).c_str());
    DeleteDirectoryTree(m_root.c_str());
}

void NetscapeInstall::WritePrefs(const std::string& profile, const std::string& text) const {
    const std::string dir = usersDir() + "\\" + profile;
    CreateDirectoryTree(dir.c_str(), false);
    WriteBytes(dir + "\\prefs.js", std::vector<uint8_t>(text.begin(), text.end()));
}

std::string CurrentUserName() {
    char name[MAX_PATH + 1] = {};
    DWORD length = sizeof(name);
    GetUserNameA(name, &length);
    return name;
}

}  // namespace transfertest
