// Stand-in for the maker's updater program "rlymgr.exe", for tests and the demo only.
// Beside the program it keeps:
//   rlymgr.log   every argument line it received, one per line (appended)
//   rlymgr.apps  its registration table, "NAME<TAB>PATH" lines ("-registerapp", "-unregisterapp")
// and obeys, when present:
//   rlymgr.exit  the exit code to answer with (decimal)
//   rlymgr.out   text to print instead of the computed answer
//   rlymgr.hang  hang (ten minutes) after logging a line that holds the file's text (any line when
//                it is empty), as an updater that never answers
// "-getapppath NAME" prints the registered path of NAME, without a line end.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

std::string Directory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

// The argument text: what follows the program's file name and one blank.
std::string ArgumentText() {
    std::string line = GetCommandLineA();
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    size_t at = lower.find("rlymgr.exe");
    if (at == std::string::npos) return std::string();
    size_t pos = at + 10;
    if (pos < line.size() && line[pos] == '"') ++pos;
    if (pos < line.size() && line[pos] == ' ') ++pos;
    return line.substr(pos);
}

std::string WordAfter(const std::string& args, const std::string& option) {
    size_t at = args.find(option + " ");
    if (at == std::string::npos) return std::string();
    size_t pos = at + option.size() + 1;
    if (pos < args.size() && args[pos] == '"') {
        size_t end = args.find('"', pos + 1);
        return args.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
    }
    size_t end = args.find(' ', pos);
    return args.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
}

std::map<std::string, std::string> LoadApps(const std::string& file) {
    std::map<std::string, std::string> apps;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t tab = line.find('\t');
        if (tab != std::string::npos) apps[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return apps;
}

void SaveApps(const std::string& file, const std::map<std::string, std::string>& apps) {
    std::ofstream out(file, std::ios::trunc | std::ios::binary);
    for (const auto& [name, path] : apps) out << name << '\t' << path << '\n';
}

bool ReadFileText(const std::string& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

void Print(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE) WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string dir = Directory();
    const std::string args = ArgumentText();
    std::ofstream(dir + "rlymgr.log", std::ios::app | std::ios::binary) << args << '\n';
    std::string hang;
    if (ReadFileText(dir + "rlymgr.hang", hang) && args.find(hang) != std::string::npos) Sleep(10 * 60 * 1000);

    const std::string appsFile = dir + "rlymgr.apps";
    std::map<std::string, std::string> apps = LoadApps(appsFile);
    std::string answer;
    if (args.rfind("-registerapp ", 0) == 0) {
        apps[WordAfter(args, "-registerapp")] = WordAfter(args, "-apppath");
        SaveApps(appsFile, apps);
    } else if (args.find("-unregisterapp ") != std::string::npos) {
        apps.erase(WordAfter(args, "-unregisterapp"));
        SaveApps(appsFile, apps);
    } else if (args.rfind("-getapppath ", 0) == 0) {
        auto found = apps.find(args.substr(12));
        if (found != apps.end()) answer = found->second;
    }

    std::string forced;
    Print(ReadFileText(dir + "rlymgr.out", forced) ? forced : answer);

    std::string exitText;
    return ReadFileText(dir + "rlymgr.exit", exitText) ? std::atoi(exitText.c_str()) : 0;
}
