// RAII owners for Win32 handles, so that no failure path leaves one open.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// Owns a kernel HANDLE; NULL and INVALID_HANDLE_VALUE both mean "none".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : m_h(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept { reset(std::exchange(o.m_h, nullptr)); return *this; }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(m_h, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (*this) CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = nullptr;
};

// Owns an open registry key (never a predefined root).
class UniqueRegKey {
public:
    UniqueRegKey() = default;
    explicit UniqueRegKey(HKEY h) : m_h(h) {}
    UniqueRegKey(UniqueRegKey&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    UniqueRegKey& operator=(UniqueRegKey&& o) noexcept { reset(std::exchange(o.m_h, nullptr)); return *this; }
    UniqueRegKey(const UniqueRegKey&) = delete;
    UniqueRegKey& operator=(const UniqueRegKey&) = delete;
    ~UniqueRegKey() { reset(); }

    HKEY get() const { return m_h; }
    HKEY* put() { reset(); return &m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void reset(HKEY h = nullptr) {
        if (m_h) RegCloseKey(m_h);
        m_h = h;
    }

private:
    HKEY m_h = nullptr;
};

// Owns a FindFirstFile handle.
class UniqueFindHandle {
public:
    explicit UniqueFindHandle(HANDLE h) : m_h(h) {}
    UniqueFindHandle(const UniqueFindHandle&) = delete;
    UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
    ~UniqueFindHandle() { if (*this) FindClose(m_h); }
    HANDLE get() const { return m_h; }
    explicit operator bool() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }

private:
    HANDLE m_h;
};

// Owns a loaded library.
class UniqueLibrary {
public:
    explicit UniqueLibrary(HMODULE h) : m_h(h) {}
    UniqueLibrary(const UniqueLibrary&) = delete;
    UniqueLibrary& operator=(const UniqueLibrary&) = delete;
    ~UniqueLibrary() { if (m_h) FreeLibrary(m_h); }
    HMODULE get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    HMODULE m_h;
};

// Owns a string allocated with the COM task allocator.
class CoTaskMemString {
public:
    CoTaskMemString() = default;
    CoTaskMemString(const CoTaskMemString&) = delete;
    CoTaskMemString& operator=(const CoTaskMemString&) = delete;
    ~CoTaskMemString() { CoTaskMemFree(m_p); }
    char* get() const { return m_p; }
    char** put() { CoTaskMemFree(m_p); m_p = nullptr; return &m_p; }
    const char* c_str() const { return m_p ? m_p : ""; }

private:
    char* m_p = nullptr;
};

// COM initialised for the scope of the object (uninitialised only when it succeeded).
class ComScope {
public:
    explicit ComScope(DWORD coinit = COINIT_APARTMENTTHREADED) : m_hr(CoInitializeEx(nullptr, coinit)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { if (SUCCEEDED(m_hr)) CoUninitialize(); }
    HRESULT result() const { return m_hr; }

private:
    HRESULT m_hr;
};
