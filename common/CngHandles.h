// RAII owners of the system's cryptography (CNG) handles: algorithm providers, hash objects and
// keys, closed on every path (see Handles.h for the owner template).
#pragma once
#include <windows.h>
#include <bcrypt.h>

#include "common/Handles.h"

namespace handle_traits {

struct CngAlgorithm {
    using Type = BCRYPT_ALG_HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};

struct CngHash {
    using Type = BCRYPT_HASH_HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};

struct CngKey {
    using Type = BCRYPT_KEY_HANDLE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyKey(h); }
};

}  // namespace handle_traits

using UniqueCngAlgorithm = UniqueResource<handle_traits::CngAlgorithm>;
using UniqueCngHash = UniqueResource<handle_traits::CngHash>;
using UniqueCngKey = UniqueResource<handle_traits::CngKey>;
