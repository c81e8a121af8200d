// RAII owner of a WinInet handle (root, connection or request).
#pragma once
#include <windows.h>
#include <wininet.h>

#include <utility>

class UniqueInternetHandle {
public:
    UniqueInternetHandle() = default;
    explicit UniqueInternetHandle(HINTERNET h) : m_h(h) {}
    UniqueInternetHandle(UniqueInternetHandle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    UniqueInternetHandle& operator=(UniqueInternetHandle&& o) noexcept {
        reset(std::exchange(o.m_h, nullptr));
        return *this;
    }
    UniqueInternetHandle(const UniqueInternetHandle&) = delete;
    UniqueInternetHandle& operator=(const UniqueInternetHandle&) = delete;
    ~UniqueInternetHandle() { reset(); }

    HINTERNET get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void reset(HINTERNET h = nullptr) {
        if (m_h) InternetCloseHandle(m_h);
        m_h = h;
    }

private:
    HINTERNET m_h = nullptr;
};
