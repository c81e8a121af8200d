// Helpers of the archive tests: fixture locations, scratch directories and file trees (long
// paths included, since some cabinet members have very long names).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace archivetest {

// A host (Unix) path as the program sees it through Wine's drive Z:.
std::string HostPath(const char* unixPath);
// The shared Cabinet test files and the fixtures built for these tests.
std::string CabsDirectory();
std::string FixturesDirectory();

std::vector<std::string> ListDirectory(const std::string& directory);  // names, no "." and ".."
// Every file below root as "relative\path" (directories end in "\"), sorted.
std::vector<std::string> ListTree(const std::string& root);
bool ReadBytes(const std::string& path, std::string* bytes);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
FILETIME LastWriteTime(const std::string& path);

// A fresh directory under the temporary folder, removed with everything in it (read-only
// files too) when the object goes.
class Sandbox {
public:
    Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;
    ~Sandbox();
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

}  // namespace archivetest
