#include "transfer/ConnectionProbe.h"

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "common/Handles.h"
#include "transfer/ConnectionState.h"

namespace {

constexpr char kInternetLibrary[] = "WININET.DLL";
constexpr char kDetectAgent[] = "InetDetect";
constexpr int kHostNameMax = 256;

using InternetOpenFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using InternetCloseFn = BOOL(WINAPI*)(HINTERNET);
using GetConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);

template <typename Fn>
Fn Lookup(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// A root handle of the dynamically loaded library, closed through the library's own entry.
class LoadedInternetHandle {
public:
    LoadedInternetHandle(HINTERNET h, InternetCloseFn close) : m_h(h), m_close(close) {}
    LoadedInternetHandle(const LoadedInternetHandle&) = delete;
    LoadedInternetHandle& operator=(const LoadedInternetHandle&) = delete;
    ~LoadedInternetHandle() { if (m_h) m_close(m_h); }

private:
    HINTERNET m_h;
    InternetCloseFn m_close;
};

// Winsock 1.1 for the scope of the object.
class WinsockScope {
public:
    WinsockScope() {
        WSADATA data;
        m_ok = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    }
    WinsockScope(const WinsockScope&) = delete;
    WinsockScope& operator=(const WinsockScope&) = delete;
    ~WinsockScope() { if (m_ok) WSACleanup(); }
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// The machine's own name resolves to an IPv4 address other than 0.0.0.0 and 127.0.0.1.
bool HasUsableAddress() {
    WinsockScope winsock;
    if (!winsock.ok()) return false;
    char name[kHostNameMax + 1] = {};
    if (gethostname(name, kHostNameMax) != 0) return false;
    const hostent* host = gethostbyname(name);
    if (!host || host->h_length != 4 || !host->h_addr_list) return false;
    for (char** entry = host->h_addr_list; *entry; ++entry) {
        uint8_t address[4];
        std::memcpy(address, *entry, sizeof(address));
        if (IsUsableAddress(address)) return true;
    }
    return false;
}

}  // namespace

int IsInternetConnected() {
    UniqueLibrary library(LoadLibraryA(kInternetLibrary));
    if (!library) return 1;
    auto open = Lookup<InternetOpenFn>(library.get(), "InternetOpenA");
    auto close = Lookup<InternetCloseFn>(library.get(), "InternetCloseHandle");
    auto connectedState = Lookup<GetConnectedStateFn>(library.get(), "InternetGetConnectedState");
    if (!open || !close || !connectedState) return 1;

    DWORD flags = 0;
    BOOL connected = FALSE;
    {
        LoadedInternetHandle root(open(kDetectAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0),
                                  close);
        connected = connectedState(&flags, 0);
    }

    if (connected) return connected;
    return ConfiguredWithoutDialUp(flags) && HasUsableAddress() ? 1 : 0;
}
