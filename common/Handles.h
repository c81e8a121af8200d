// RAII owners for Win32 handles, so that no failure path leaves one open. One template,
// UniqueResource<Traits>, owns a value of Traits::Type; the traits say which value means "none",
// which values are live, and how a live one is closed:
//   struct Traits {
//       using Type = ...;
//       static Type None();
//       static bool IsLive(Type value);
//       static void Close(Type value);
//   };
// COM interface pointers are owned by Microsoft::WRL::ComPtr instead.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

template <class Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : m_value(value) {}
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Type get() const { return m_value; }
    explicit operator bool() const { return Traits::IsLive(m_value); }
    // Closes what is held and answers the place for a function that hands out a new value.
    Type* put() {
        reset();
        return &m_value;
    }
    Type release() { return std::exchange(m_value, Traits::None()); }
    void reset(Type value = Traits::None()) {
        if (Traits::IsLive(m_value)) Traits::Close(m_value);
        m_value = value;
    }

private:
    Type m_value = Traits::None();
};

namespace handle_traits {

inline bool IsLiveHandle(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// A kernel HANDLE; NULL and INVALID_HANDLE_VALUE both mean "none".
struct Kernel {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return IsLiveHandle(h); }
    static void Close(Type h) { CloseHandle(h); }
};

// A mutex this thread holds: released, then closed.
struct HeldMutex {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return IsLiveHandle(h); }
    static void Close(Type h) {
        ReleaseMutex(h);
        CloseHandle(h);
    }
};

// An open registry key (never a predefined root).
struct RegKey {
    using Type = HKEY;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { RegCloseKey(h); }
};

// A FindFirstFile handle.
struct Find {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return IsLiveHandle(h); }
    static void Close(Type h) { FindClose(h); }
};

// A loaded library.
struct Library {
    using Type = HMODULE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { FreeLibrary(h); }
};

// A mapped view of a file.
struct MappedView {
    using Type = const void*;
    static Type None() { return nullptr; }
    static bool IsLive(Type view) { return view != nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
};

// A string from the COM task allocator.
struct CoTaskMem {
    using Type = char*;
    static Type None() { return nullptr; }
    static bool IsLive(Type p) { return p != nullptr; }
    static void Close(Type p) { CoTaskMemFree(p); }
};

// A BSTR from the system string allocator.
struct Bstr {
    using Type = BSTR;
    static Type None() { return nullptr; }
    static bool IsLive(Type b) { return b != nullptr; }
    static void Close(Type b) { SysFreeString(b); }
};

}  // namespace handle_traits

using UniqueHandle = UniqueResource<handle_traits::Kernel>;
using UniqueHeldMutex = UniqueResource<handle_traits::HeldMutex>;
using UniqueRegKey = UniqueResource<handle_traits::RegKey>;
using UniqueFindHandle = UniqueResource<handle_traits::Find>;
using UniqueLibrary = UniqueResource<handle_traits::Library>;
using UniqueMappedView = UniqueResource<handle_traits::MappedView>;
using UniqueBstr = UniqueResource<handle_traits::Bstr>;

// A string handed out by an interface method; c_str() is "" while none is held.
class CoTaskMemString : public UniqueResource<handle_traits::CoTaskMem> {
public:
    using UniqueResource::UniqueResource;
    const char* c_str() const { return get() ? get() : ""; }
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
