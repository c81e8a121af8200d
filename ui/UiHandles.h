// RAII owners of the window system's objects: windows, menus, icons, hooks, fonts, bitmaps, brushes.
// Each is the shared owner template (common/Handles.h) with a traits type of its handle kind.
#pragma once
#include <windows.h>

#include "common/Handles.h"

namespace ui {

namespace ui_traits {

struct Window {
    using Type = HWND;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};
struct Menu {
    using Type = HMENU;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
struct Icon {
    using Type = HICON;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
struct Hook {
    using Type = HHOOK;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { UnhookWindowsHookEx(h); }
};
// Fonts, bitmaps and brushes are GDI objects, deleted alike.
template <class Handle>
struct GdiObject {
    using Type = Handle;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

}  // namespace ui_traits

using UniqueWindow = UniqueResource<ui_traits::Window>;
using UniqueMenu = UniqueResource<ui_traits::Menu>;
using UniqueIcon = UniqueResource<ui_traits::Icon>;
using UniqueHook = UniqueResource<ui_traits::Hook>;
using UniqueFont = UniqueResource<ui_traits::GdiObject<HFONT>>;
using UniqueBitmap = UniqueResource<ui_traits::GdiObject<HBITMAP>>;
using UniqueBrush = UniqueResource<ui_traits::GdiObject<HBRUSH>>;

}  // namespace ui
