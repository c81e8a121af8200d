#include "tests/integration/frontend_test_support.h"

#include <shellapi.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "common/Handles.h"
#include "common/ProgramTestSupport.h"
#include "tools/uiauto/UiAuto.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace frontendtest {

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void StopAllFrontends() {
    PostToAll("ZULVelorin.exe", VELORIN_MSG_SHUTDOWN);
    for (int i = 0; i < 50 && !FindProcesses("ZULVelorin.exe").empty(); ++i) Sleep(100);
    for (DWORD id : FindProcesses("ZULVelorin.exe")) {
        const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) continue;
        TerminateProcess(process.get(), 998);
        WaitForSingleObject(process.get(), 5000);
    }
}

}  // namespace

std::string CommonStartMenu() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_STARTMENU, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string VelorinExe() { return BinPath("ZULVelorin.exe"); }
std::string VelorinDir() { return BinDirectory(); }

std::string BootRunValue() {
    std::string value(1, '"');
    value += VelorinExe();
    value += "\" -boot";
    return value;
}

bool IsHidden(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link)))) return info;
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(&file))) return info;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file->Load(wide, STGM_READ))) return info;
    char text[1024] = {};
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    info.target = text;
    link->GetArguments(text, sizeof text);
    info.arguments = text;
    link->GetWorkingDirectory(text, sizeof text);
    info.workingDir = text;
    link->GetIconLocation(text, sizeof text, &info.iconIndex);
    info.iconPath = text;
    info.read = true;
    return info;
}

void FrontendTest::SetUpTestSuite() {
    StopAllFrontends();
    StopAllManagers();
    DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Tessary");
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZUL", "Path", MakeScratchDirectory("frontend-manager"));
    ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
}

void FrontendTest::TearDownTestSuite() {
    StopAllFrontends();
    StopAllManagers();
}

void FrontendTest::SetUp() {
    StopAllFrontends();
    StopAllManagers();
    DeleteTree(HKEY_LOCAL_MACHINE, kVelorinKey);
    DeleteTree(HKEY_LOCAL_MACHINE, kChannelKey);
    DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kItems);
    DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, "ZULVelorin");
    startMenu = CommonStartMenu();
    testsupport::RemoveFolderTree(startMenu + "\\Programs\\Ludora");
    testsupport::RemoveFolderTree(startMenu + "\\Programs\\Ludora (Updated)");
    testsupport::RemoveFolderTree(startMenu + "\\Programs\\Moved Away");
    maker = MakeScratchDirectory("frontend-maker");
    WriteString(HKEY_LOCAL_MACHINE, "Software\\Tessary", "TYDirectory", maker);
    CreateDirectoryA((maker + "\\updater").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(BinPath("tools\\rlymgr.exe").c_str(), (maker + "\\updater\\rlymgr.exe").c_str(), FALSE));
    // The manager counts as registered, so that its starts only ask (lines left out of UpdaterLog).
    const std::string programFiles =
        ReadString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir").value_or("?");
    ASSERT_TRUE(WriteFileBytes(maker + "\\updater\\rlymgr.apps", "ZULManager\t" + programFiles + "\\Tessary\n"));
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

void FrontendTest::TearDown() {
    m_manager.Reset();
    CoUninitialize();
    StopAllFrontends();
    StopAllManagers();
}

DWORD FrontendTest::Velorin(const std::string& args, DWORD timeoutMs) {
    auto code = RunProgram(VelorinExe(), args, timeoutMs);
    EXPECT_TRUE(code.has_value()) << "ZULVelorin " << args << " did not end";
    return code.value_or(999);
}

DWORD FrontendTest::VelorinAnsweringOk(const std::string& args, const std::vector<std::string>& captions) {
    RunningVelorin run(args);
    for (const std::string& caption : captions) {
        HWND box = uiauto::WaitForWindow(uiauto::kDialogClass, caption.c_str(), 30000);
        EXPECT_TRUE(box) << "ZULVelorin " << args << ": no message box \"" << caption << "\"";
        if (box) {
            EXPECT_TRUE(uiauto::ClickButton(box, IDOK));
        }
    }
    const DWORD code = run.Wait();
    EXPECT_NE(code, 999u) << "ZULVelorin " << args << " did not end";
    return code;
}

std::vector<std::string> FrontendTest::UpdaterLog(bool withSwitches) const {
    // The manager's own question is left out. A run started without waiting may still be
    // writing: give it a moment.
    Sleep(300);
    std::vector<std::string> lines;
    std::istringstream in(ReadText(maker + "\\updater\\rlymgr.log"));
    for (std::string line; std::getline(in, line);) {
        const bool isSwitch = line == "-enableupdates ZULVelorin" || line == "-disableupdates ZULVelorin";
        if ((withSwitches || !isSwitch) && line != "-getapppath ZULManager") lines.push_back(line);
    }
    return lines;
}

void FrontendTest::ClearUpdaterLog() const { DeleteFileA((maker + "\\updater\\rlymgr.log").c_str()); }

ComPtr<I_ZULManager> FrontendTest::Manager() {
    if (!m_manager) {
        EXPECT_EQ(CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                                   reinterpret_cast<void**>(m_manager.GetAddressOf())),
                  S_OK);
    }
    return m_manager;
}

void FrontendTest::ProcessAnswer(const std::string& answer) {
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(Manager()->GetResponseData(response.GetAddressOf(), &ret), S_OK);
    ASSERT_EQ(response->LoadMem(const_cast<char*>(answer.c_str()), &ret), S_OK);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
    Manager()->ProcessResponseData(response.Get(), &ret);
    ASSERT_EQ(ret, ZULERR_SUCCESS);
}

void RecordOpenedPages(const std::string& log) {
    DeleteFileA(log.c_str());
    const std::string classes = "Software\\Classes\\";
    WriteString(HKEY_LOCAL_MACHINE, classes + ".html", "", "ZULTestPage");
    std::string command = "\"";
    command += BinPath("tools\\TestInstall.exe");
    command += "\" /log=\"" + log + "\" \"%1\"";
    WriteString(HKEY_LOCAL_MACHINE, classes + "ZULTestPage\\shell\\open\\command", "", command);
}

std::vector<std::string> OpenedPages(const std::string& log) {
    // The shell starts the recorder without waiting for it.
    Sleep(500);
    std::vector<std::string> pages;
    std::istringstream in(ReadText(log));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("CommandLine=", 0) == 0) pages.push_back(line.substr(12));
    }
    return pages;
}

RunningVelorin::RunningVelorin(const std::string& args) {
    const PROCESS_INFORMATION started = StartProgramAsync(VelorinExe(), args);
    if (started.hThread) CloseHandle(started.hThread);
    m_process.reset(started.hProcess);
    m_id = started.dwProcessId;
}

DWORD RunningVelorin::Wait(DWORD timeoutMs) {
    DWORD code = 999;
    if (m_process && WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(m_process.get(), &code);
    return code;
}

namespace {

using FolderVisitor = std::function<void(const std::string&, const WIN32_FIND_DATAA&, int)>;
using PathFilter = std::function<bool(const std::string&)>;

void WalkFolderTreeAt(const std::string& folder, int depth, const FolderVisitor& visit, const PathFilter& skip) {
    WIN32_FIND_DATAA entry;
    const UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!find) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (skip && skip(path)) continue;
        visit(path, entry, depth);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            WalkFolderTreeAt(path, depth + 1, visit, skip);
    } while (FindNextFileA(find.get(), &entry));
}

}  // namespace

void WalkFolderTree(const std::string& folder, const FolderVisitor& visit, const PathFilter& skip) {
    WalkFolderTreeAt(folder, 0, visit, skip);
}

void PrintShortcutTree(const std::string& folder, std::ostream& out, const std::string& indent) {
    WalkFolderTree(folder, [&](const std::string& path, const WIN32_FIND_DATAA& entry, int depth) {
        const std::string name = entry.cFileName;
        out << indent << std::string(4 * static_cast<size_t>(depth), ' ') << name
            << ((entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ? "  [hidden]" : "");
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out << "\\\n";
            return;
        }
        if (name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".lnk") == 0) {
            const LinkInfo link = ReadLink(path);
            out << "  -> " << link.target << " " << link.arguments << " (in " << link.workingDir << ", icon "
                << link.iconPath << "," << link.iconIndex << ")";
        }
        out << "\n";
    });
}

}  // namespace frontendtest
