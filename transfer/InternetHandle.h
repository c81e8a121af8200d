// RAII owner of a WinInet handle (root, connection or request).
#pragma once
#include <windows.h>
#include <wininet.h>

#include "common/Handles.h"

namespace handle_traits {
struct Internet {
    using Type = HINTERNET;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { InternetCloseHandle(h); }
};
}  // namespace handle_traits

using UniqueInternetHandle = UniqueResource<handle_traits::Internet>;
