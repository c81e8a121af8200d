// AddRootCert CERTFILE: adds a CA certificate (PEM or DER) to the machine's trusted root store
// (LOCAL_MACHINE "ROOT"), so that WinInet accepts servers whose certificates it issued. For the
// tests' and the demo's private Wine prefixes; exit code 0 on success, 1 otherwise.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace {

struct CertStoreTraits {
    using Type = HCERTSTORE;
    static Type None() { return nullptr; }
    static bool IsLive(Type h) { return h != nullptr; }
    // Closing the system store commits what was added.
    static void Close(Type h) { CertCloseStore(h, 0); }
};
using UniqueCertStore = UniqueResource<CertStoreTraits>;

bool ReadFileBytes(const char* path, std::vector<BYTE>& bytes) {
    const UniqueHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size == 0 || size > (1u << 20)) return false;
    bytes.resize(size);
    DWORD read = 0;
    return ReadFile(file.get(), bytes.data(), size, &read, nullptr) && read == size;
}

// A PEM certificate decoded to DER; DER is taken as it is.
bool ToDer(const std::vector<BYTE>& bytes, std::vector<BYTE>& der) {
    const std::string text(bytes.begin(), bytes.end());
    if (text.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        der = bytes;
        return true;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                              nullptr, nullptr))
        return false;
    der.resize(size);
    return CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                                &size, nullptr, nullptr) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: AddRootCert CERTFILE (PEM or DER)\n");
        return 1;
    }
    std::vector<BYTE> bytes, der;
    if (!ReadFileBytes(argv[1], bytes) || !ToDer(bytes, der)) {
        std::fprintf(stderr, "AddRootCert: cannot read a certificate from %s\n", argv[1]);
        return 1;
    }
    UniqueCertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT"));
    if (!store) {
        std::fprintf(stderr, "AddRootCert: LOCAL_MACHINE ROOT store not opened (error %lu)\n", GetLastError());
        return 1;
    }
    if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "AddRootCert: certificate refused (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("AddRootCert: %s added to LOCAL_MACHINE ROOT\n", argv[1]);
    return 0;
}
