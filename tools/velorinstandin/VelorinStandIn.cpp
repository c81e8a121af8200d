// Stand-in for a running front-end in shut-down tests, built as "ZULVelorin.exe" in its own
// folder. It runs a message loop and ends with 0 on either of the front-end's end requests
// (0x8012, 0x8013). With "-ignore" it takes no messages at all and ends by itself after 20 s,
// a front-end that cannot be shut down.
#include <windows.h>

#include <cstring>

namespace {

constexpr UINT kEndRequests[] = {WM_APP + 0x12, WM_APP + 0x13};
constexpr DWORD kStubbornMs = 20000;

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "-ignore") == 0) {
        Sleep(kStubbornMs);
        return 0;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        for (UINT request : kEndRequests)
            if (msg.hwnd == nullptr && msg.message == request) return 0;
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
