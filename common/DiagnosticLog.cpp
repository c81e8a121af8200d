
#include <cstdio>
#include <string>
#include <string_view>

#include "common/DiagnosticLog.h"
#include "common/Handles.h"
#include "common/ProductKeys.h"
#include "common/RegistryHelpers.h"

namespace {

constexpr size_t kSubjectMax = 260;

// The program named by SetLogProgram; empty in the manager.
const char* g_program = "";

void AppendLine(const char* path, const std::string& line) {
    const UniqueHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    // One write of the whole line on a handle opened for appending: the system moves to the end
    // and writes in one step, so lines of the manager, the front-end and the install helper never
    // interleave.
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// The line without its line end. Line breaks and control characters in subject become blanks,
// and a subject longer than kSubjectMax characters is cut.
std::string DiagnosticLogLine(const SYSTEMTIME& time, std::string_view what, const char* subject,
                              std::string_view codes) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    std::string line = stamp;
    if (*g_program) (line += ' ') += g_program;
    (line += ' ') += what;
    line += ' ';
    const std::string_view shown = subject && *subject ? std::string_view(subject) : std::string_view("-");
    for (char c : shown.substr(0, kSubjectMax)) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    (line += ' ') += codes;
    return line;
}

}  // namespace

uint32_t C_OutcomeClock::ElapsedMs() const noexcept {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (frequency.QuadPart <= 0 || now.QuadPart < m_start.QuadPart) return 0;
    const unsigned long long ms = (now.QuadPart - m_start.QuadPart) * 1000ull / frequency.QuadPart;
    return ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
}

namespace {

// The log file named by "LogFile"; false when there is none.
bool LogFilePath(char (&path)[MAX_PATH]) {
    return RegReadValue(HKEY_LOCAL_MACHINE, ProductKeys::kZUL, ProductKeys::kLogFile, path, sizeof path) == ERROR_SUCCESS &&
           path[0];
}

}  // namespace

void LogFinding(const char* what, const char* subject, const char* detail) noexcept {
    char path[MAX_PATH] = {};
    if (!LogFilePath(path)) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    try {
        std::string text = detail ? detail : "";
        for (char& c : text)
            if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        AppendLine(path, DiagnosticLogLine(now, what ? what : "-", subject, text) + "\r\n");
    } catch (...) {
        // Out of memory: the line is dropped.
    }
}

void SetLogProgram(const char* name) noexcept { g_program = name ? name : ""; }

void LogIfFailed(const char* what, const char* subject, const Outcome& result) noexcept {
    if (result.Succeeded()) return;
    char path[MAX_PATH] = {};
    if (!LogFilePath(path)) return;
    char codes[80];
    std::snprintf(codes, sizeof codes, "not done hr=0x%08lX ret=%u ", static_cast<unsigned long>(result.hr),
                  static_cast<unsigned>(result.ret));
    SYSTEMTIME now;
    GetLocalTime(&now);
    try {
        AppendLine(path, DiagnosticLogLine(now, what ? what : "-", subject, std::string(codes) + ZULErrorText(result.ret)) +
                             "\r\n");
    } catch (...) {
        // Out of memory: the line is dropped.
    }
}

void LogOutcome(const char* what, const char* subject, HRESULT hr, uint32_t ret, const C_OutcomeClock& clock) noexcept {
    const uint32_t elapsed = clock.ElapsedMs();
    char path[MAX_PATH] = {};
    if (!LogFilePath(path)) return;
    char codes[80];
    std::snprintf(codes, sizeof codes, "hr=0x%08lX ret=%u ms=%u ", static_cast<unsigned long>(hr), ret, elapsed);
    SYSTEMTIME now;
    GetLocalTime(&now);
    try {
        AppendLine(path, DiagnosticLogLine(now, what ? what : "-", subject, std::string(codes) + ZULErrorText(ret)) + "\r\n");
    } catch (...) {
        // Out of memory: the line is dropped, the operation goes on.
    }
}
