// RAII owners of the window system's objects: windows, menus, icons, fonts, bitmaps, brushes.
// Each is the owner template below with a traits type that names the handle and how it goes.
#pragma once
#include <windows.h>

#include <utility>

namespace ui {

// Owns one handle described by Traits (Traits::Type, Traits::Close(Type)); null means none.
template <class Traits>
class UniqueUiHandle {
public:
    using Type = typename Traits::Type;

    UniqueUiHandle() = default;
    explicit UniqueUiHandle(Type h) : m_h(h) {}
    UniqueUiHandle(UniqueUiHandle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
    UniqueUiHandle& operator=(UniqueUiHandle&& o) noexcept {
        reset(std::exchange(o.m_h, nullptr));
        return *this;
    }
    UniqueUiHandle(const UniqueUiHandle&) = delete;
    UniqueUiHandle& operator=(const UniqueUiHandle&) = delete;
    ~UniqueUiHandle() { reset(); }

    Type get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    Type release() { return std::exchange(m_h, nullptr); }
    void reset(Type h = nullptr) {
        if (m_h) Traits::Close(m_h);
        m_h = h;
    }

private:
    Type m_h = nullptr;
};

struct WindowTraits {
    using Type = HWND;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};
struct MenuTraits {
    using Type = HMENU;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
struct IconTraits {
    using Type = HICON;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
// Fonts, bitmaps and brushes are GDI objects, deleted alike.
template <class Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

using UniqueWindow = UniqueUiHandle<WindowTraits>;
using UniqueMenu = UniqueUiHandle<MenuTraits>;
using UniqueIcon = UniqueUiHandle<IconTraits>;
using UniqueFont = UniqueUiHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueUiHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueUiHandle<GdiObjectTraits<HBRUSH>>;

}  // namespace ui
