// zulctl: drives a running or COM-started channel manager from the command line, for the demo
// and for tests.
//   zulctl load FILE        loads a block text into a response object and has the manager
//                           process it (as the front-end does with its presets)
//   zulctl subscribe GUID   subscribes a channel
//   zulctl shutdown         asks every running ZULMan to shut down and waits for it
// Exit code: the ZULError of the operation, or 100 + a COM failure.
#include <windows.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstring>

#include "ZULMan.h"
#include "common/ProcessHelpers.h"
#include "common/ProductKeys.h"

using Microsoft::WRL::ComPtr;

namespace {

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "zulctl: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 100;
}

// ret by reference: it is read after the call in the same expression has filled it.
int Report(const char* what, HRESULT hr, const ZULError& ret) {
    std::printf("%s: HRESULT 0x%08lX, result %d\n", what, static_cast<unsigned long>(hr), static_cast<int>(ret));
    return static_cast<int>(ret);
}

int Load(I_ZULManager* manager, char* file) {
    ComPtr<I_ResponseData> response;
    ZULError ret = ZULERR_FAILED;
    HRESULT hr = manager->GetResponseData(&response, &ret);
    if (hr != S_OK) return Report("GetResponseData", hr, ret);
    hr = response->LoadFile(file, &ret);
    if (hr != S_OK) return Report("LoadFile", hr, ret);
    hr = manager->ProcessResponseData(response.Get(), &ret);
    return Report("ProcessResponseData", hr, ret);
}

// Posts the shutdown message to every running channel manager and waits up to 20 s for each.
int Shutdown() {
    int stopped = 0;
    ForEachProcessNamed("ZULMan.exe", [&stopped](const PROCESSENTRY32& entry, HANDLE snapshot) {
        PostToProcessThreads(ZULM_MSG_SHUTDOWN, 0, 0, entry.th32ProcessID, snapshot);
        WaitForProcessExit(entry.th32ProcessID, 20000);
        ++stopped;
        return true;
    });
    std::printf("shutdown: %d channel manager(s) asked to end\n", stopped);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "shutdown") == 0) return Shutdown();
    if (argc != 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "subscribe") != 0)) {
        std::fprintf(stderr, "usage: zulctl load FILE | zulctl subscribe GUID | zulctl shutdown\n");
        return 2;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return Fail("CoInitializeEx", hr);
    int code = 0;
    {
        ComPtr<I_ZULManager> manager;
        hr = CoCreateInstance(CLSID_ZULManager, nullptr, CLSCTX_LOCAL_SERVER, IID_I_ZULManager,
                              reinterpret_cast<void**>(manager.GetAddressOf()));
        if (FAILED(hr)) {
            code = Fail("creating the channel manager", hr);
        } else if (std::strcmp(argv[1], "load") == 0) {
            code = Load(manager.Get(), argv[2]);
        } else {
            ZULError ret = ZULERR_FAILED;
            code = Report("SubscribeChannel", manager->SubscribeChannel(argv[2], &ret), ret);
        }
    }
    CoUninitialize();
    return code;
}
