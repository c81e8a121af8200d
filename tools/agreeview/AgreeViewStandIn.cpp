// Stand-in for the maker's agreement viewer "AgreeView.exe", for tests and the demo only.
// Beside the program it keeps:
//   agreeview.log   every argument line it received, one per line (appended)
// and obeys, when present:
//   agreeview.exit  the exit code to answer with (decimal; 0 = accepted, else declined)
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string Directory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The argument text: what follows the (possibly quoted) program name and one blank.
std::string ArgumentText() {
    const std::string line = GetCommandLineA();
    size_t pos = 0;
    if (!line.empty() && line[0] == '"') {
        size_t end = line.find('"', 1);
        pos = end == std::string::npos ? line.size() : end + 1;
    } else {
        size_t end = line.find(' ');
        pos = end == std::string::npos ? line.size() : end;
    }
    if (pos < line.size() && line[pos] == ' ') ++pos;
    return line.substr(pos);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string dir = Directory();
    std::ofstream(dir + "agreeview.log", std::ios::app | std::ios::binary) << ArgumentText() << '\n';
    std::ifstream in(dir + "agreeview.exit", std::ios::binary);
    if (!in) return 0;
    std::ostringstream text;
    text << in.rdbuf();
    return std::atoi(text.str().c_str());
}
