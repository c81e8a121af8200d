#include "archive/CabDecoder.h"

#include <cstdlib>
#include <string>

#include "archive/ArchFile.h"

namespace {

void* DIAMONDAPI Allocate(ULONG size) { return std::malloc(size ? size : 1); }

void DIAMONDAPI Free(void* memory) { std::free(memory); }

}  // namespace

bool C_CabDecoder::Create(ERF* error) {
    Destroy();
    m_hfdi = FDICreate(Allocate, Free, C_ArchFile::FdiOpen, C_ArchFile::FdiRead, C_ArchFile::FdiWrite,
                       C_ArchFile::FdiClose, C_ArchFile::FdiSeek, cpuUNKNOWN, error);
    return m_hfdi != nullptr;
}

void C_CabDecoder::Destroy() {
    if (m_hfdi) FDIDestroy(m_hfdi);
    m_hfdi = nullptr;
}

bool C_CabDecoder::IsCabinet(INT_PTR handle, FDICABINETINFO* info) {
    return m_hfdi && FDIIsCabinet(m_hfdi, handle, info) != FALSE;
}

bool C_CabDecoder::Copy(const char* cabinetName, const char* cabinetPath, PFNFDINOTIFY notify, void* user) {
    if (!m_hfdi || !cabinetName || !cabinetPath) return false;
    // The decoder takes writable texts.
    std::string name(cabinetName);
    std::string path(cabinetPath);
    return FDICopy(m_hfdi, name.data(), path.data(), 0, notify, nullptr, user) != FALSE;
}
