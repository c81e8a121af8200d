// ZULMan as a process: COM activation through LocalServer32, the single-instance rule, the
// hand-over of a second background start, the idle exit and the shutdown message.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "ZULMan.h"
#include "common/ProgramTestSupport.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

constexpr auto& kZUL = ProductKeys::kZUL;
constexpr UINT kShutdown = ZULM_MSG_SHUTDOWN;

DWORD ExitCodeAfter(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return 999;
    DWORD code = 998;
    GetExitCodeProcess(process, &code);
    return code;
}

class ServiceProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StopAllManagers();
        DeleteTree(HKEY_LOCAL_MACHINE, ProductKeys::kTessary);
        ASSERT_EQ(RunProgram(BinPath("ZULMan.exe"), "-RegServer"), DWORD{0});
    }
    void SetUp() override {
        StopAllManagers();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override {
        CoUninitialize();
        StopAllManagers();
    }

    // Starts a resident instance and waits until it has taken the instance mutex.
    PROCESS_INFORMATION StartResident() {
        PROCESS_INFORMATION info = StartProgramAsync(BinPath("ZULMan.exe"), "-Background");
        for (int i = 0; i < 100; ++i) {
            HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "ZULM COM Server Exclusive");
            if (mutex) {
                CloseHandle(mutex);
                break;
            }
            Sleep(100);
        }
        return info;
    }
};

TEST_F(ServiceProcess, ClientInAnotherProcessReadsTheManagerDirectory) {
    ComPtr<I_ZULManager> manager;
    ASSERT_EQ(CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                               reinterpret_cast<void**>(manager.GetAddressOf())),
              S_OK);
    char* dir = nullptr;
    ZULError ret = ZULERR_FAILED;
    ASSERT_EQ(manager->GetZULManagerDir(&dir, &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_SUCCESS);
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(std::string(dir), ReadString(HKEY_LOCAL_MACHINE, kZUL, "Path").value_or("?"));
    CoTaskMemFree(dir);

    // A condition reported across processes: an unknown channel is S_OK with ZULERR_NOT_FOUND.
    ret = ZULERR_SUCCESS;
    EXPECT_EQ(manager->SubscribeChannel(const_cast<char*>("{9D406394-BD56-70FD-BC9D-878734DB1AB6}"), &ret), S_OK);
    EXPECT_EQ(ret, ZULERR_NOT_FOUND);

    // The other served classes activate too.
    ComPtr<I_ItemInstaller> installer;
    EXPECT_EQ(CoCreateInstance(CLSID_ItemInstaller, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ItemInstaller,
                               reinterpret_cast<void**>(installer.GetAddressOf())),
              S_OK);
    ComPtr<I_DownloadMgr> downloads;
    EXPECT_EQ(CoCreateInstance(CLSID_DownloadMgr, nullptr, CLSCTX_LOCAL_SERVER, IID_I_DownloadMgr,
                               reinterpret_cast<void**>(downloads.GetAddressOf())),
              S_OK);
}

TEST_F(ServiceProcess, ComStartedInstanceEndsAboutTenSecondsAfterTheLastRelease) {
    ComPtr<I_ZULManager> manager;
    ASSERT_EQ(CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                               reinterpret_cast<void**>(manager.GetAddressOf())),
              S_OK);
    std::vector<DWORD> servers = FindProcesses("ZULMan.exe");
    ASSERT_EQ(servers.size(), 1u);
    HANDLE server = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, servers[0]);
    ASSERT_TRUE(server);

    manager.Reset();
    const DWORD released = GetTickCount();
    // The grace period is a lower bound no load can shorten; the wait's limit only catches a hang.
    EXPECT_EQ(WaitForSingleObject(server, 120000), static_cast<DWORD>(WAIT_OBJECT_0));
    const DWORD elapsed = GetTickCount() - released;
    EXPECT_GE(elapsed, 9000u);
    DWORD code = 99;
    GetExitCodeProcess(server, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(server);
}

TEST_F(ServiceProcess, SecondBackgroundStartHandsOverAndEndsWithZero) {
    PROCESS_INFORMATION resident = StartResident();
    ASSERT_TRUE(resident.hProcess);

    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "/BACKGROUND"), DWORD{0});
    // A start that is not a background one ends with 1 while the instance runs.
    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "-Embedding"), DWORD{1});
    EXPECT_EQ(WaitForSingleObject(resident.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The shutdown message ends the resident instance within a second or two (plus its 1 s pause).
    PostToAll("ZULMan.exe", kShutdown);
    EXPECT_EQ(ExitCodeAfter(resident.hProcess, 5000), 0u);
    CloseHandle(resident.hThread);
    CloseHandle(resident.hProcess);
}

TEST_F(ServiceProcess, MutexHeldByAnotherProgramMeansNoInstanceToHandOverTo) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "ZULM COM Server Exclusive");
    ASSERT_TRUE(mutex);
    EXPECT_EQ(RunProgram(BinPath("ZULMan.exe"), "-Background"), DWORD{1});
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

}  // namespace
