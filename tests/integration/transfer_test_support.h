// Shared pieces of the transfer tests under Wine: where the fixture's servers listen, the test
// files, scratch files and the byte pattern that the servers send.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace transfertest {

// The fixture directory (environment ZUL_TRANSFER_FIXTURE) as a Windows path through Z:.
std::string FixtureDir();
// Ports written by the fixture: "nginx", "helper" (HTTP test server), "closed" (nothing listens).
unsigned FixturePort(const char* name);
std::string NginxUrl(const std::string& path);
std::string HelperUrl(const std::string& path);
// The request lines the HTTP test server has seen so far.
std::vector<std::string> HelperLog();

// Byte i of every generated body and test file: i % 251.
std::vector<uint8_t> Pattern(size_t first, size_t count);
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// A file of nginx's document root, read through Z:.
std::vector<uint8_t> SourceFile(const char* name);

// A scratch file in the temporary folder, opened read/write without truncation (as the download
// manager opens its targets) and deleted at the end.
class ScratchFile {
public:
    explicit ScratchFile(const char* name, const std::vector<uint8_t>& initial = {});
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();
    HANDLE handle() const { return m_file.get(); }
    const std::string& path() const { return m_path; }
    // Closes the handle and reads the whole file.
    std::vector<uint8_t> Contents();

private:
    std::string m_path;
    UniqueHandle m_file;
};

// Sets a registry string value (creating the key) and restores or deletes it on destruction.
class RegistryValueOverride {
public:
    RegistryValueOverride(HKEY root, const char* subKey, const char* valueName, const std::string& text);
    RegistryValueOverride(const RegistryValueOverride&) = delete;
    RegistryValueOverride& operator=(const RegistryValueOverride&) = delete;
    ~RegistryValueOverride();

private:
    HKEY m_root;
    std::string m_subKey;
    std::string m_valueName;  // "" = the default value
    bool m_hadValue = false;
    std::string m_oldText;
};

// A dummy Netscape installation under C:\zul-netscape: the executable (a copy of the running
// program under exeName), its path under "App Paths" and, when asked, the ".html" association
// that makes it the default browser. Everything is removed again on destruction.
class NetscapeInstall {
public:
    explicit NetscapeInstall(bool makeDefault, const char* exeName = "netscape.exe");
    NetscapeInstall(const NetscapeInstall&) = delete;
    NetscapeInstall& operator=(const NetscapeInstall&) = delete;
    ~NetscapeInstall();
    const std::string& exePath() const { return m_exePath; }
    std::string usersDir() const { return m_root + "\\Netscape\\Users"; }
    // Writes usersDir\profile\prefs.js.
    void WritePrefs(const std::string& profile, const std::string& text) const;

private:
    std::string m_root = "C:\\zul-netscape";
    std::string m_exePath;
    std::vector<std::unique_ptr<RegistryValueOverride>> m_overrides;
};

std::string CurrentUserName();

}  // namespace transfertest
