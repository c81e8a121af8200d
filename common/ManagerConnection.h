// How every client reaches the channel manager: one class context for all of them.
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include "ZULMan.h"

// In-process where a process serves the class itself, else the manager's local server.
constexpr DWORD kManagerClassContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;

// Creates the channel manager into out (reset first); the HRESULT of the creation, E_NOINTERFACE
// when it succeeded without an object.
[[nodiscard]] HRESULT CreateManager(Microsoft::WRL::ComPtr<I_ZULManager>& out);
