// Registration of COM servers given as files: libraries through DllRegisterServer /
// DllUnregisterServer, programs through "/RegServer" / "/UnRegServer".
#pragma once
#include <windows.h>

HRESULT RegisterFile(const char* path);
HRESULT UnregisterFile(const char* path);
