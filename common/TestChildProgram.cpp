// Helper program of the common tests, told what to do by its command line:
//   exit CODE                 ends with CODE
//   sleep MS CODE             sleeps, then ends with CODE
//   quit-on MESSAGE EVENT     makes its message queue, signals EVENT, ends with the wParam of
//                             MESSAGE when it arrives (99 when nothing arrives within 30 s)
//   hold-mutex NAME           takes the mutex NAME and ends without releasing it
//   write-cwd FILE            writes its current directory into FILE
//   /RegServer, /UnRegServer  end with 0 and 7
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kUsage = 64;
constexpr int kNoMessage = 99;
constexpr DWORD kQuitWaitMs = 30000;

unsigned long Number(const char* text) { return std::strtoul(text, nullptr, 0); }

int QuitOn(UINT message, const char* eventName) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the thread's queue
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    if (!ready) return kUsage;
    SetEvent(ready);
    CloseHandle(ready);
    const DWORD deadline = GetTickCount() + kQuitWaitMs;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == message) return static_cast<int>(msg.wParam);
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) return kNoMessage;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, deadline - now, QS_ALLINPUT);
    }
}

int HoldMutex(const char* name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    if (!mutex) return kUsage;
    const DWORD waited = WaitForSingleObject(mutex, 10000);
    // Ends without ReleaseMutex, so the mutex is left abandoned.
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}

int WriteCurrentDirectory(const char* file) {
    char directory[MAX_PATH];
    if (!GetCurrentDirectoryA(sizeof directory, directory)) return 1;
    FILE* out = std::fopen(file, "wb");
    if (!out) return 1;
    std::fputs(directory, out);
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return kUsage;
    const char* verb = argv[1];
    if (std::strcmp(verb, "/RegServer") == 0) return 0;
    if (std::strcmp(verb, "/UnRegServer") == 0) return 7;
    if (std::strcmp(verb, "exit") == 0 && argc == 3) return static_cast<int>(Number(argv[2]));
    if (std::strcmp(verb, "sleep") == 0 && argc == 4) {
        Sleep(Number(argv[2]));
        return static_cast<int>(Number(argv[3]));
    }
    if (std::strcmp(verb, "quit-on") == 0 && argc == 4) return QuitOn(Number(argv[2]), argv[3]);
    if (std::strcmp(verb, "hold-mutex") == 0 && argc == 3) return HoldMutex(argv[2]);
    if (std::strcmp(verb, "write-cwd") == 0 && argc == 3) return WriteCurrentDirectory(argv[2]);
    return kUsage;
}
