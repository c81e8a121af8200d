#include "archive/CabDecoder.h"

#include <cstdlib>
#include <string>

#include "archive/ArchFile.h"
#include "archive/CabinetDirectory.h"
#include "archive/CabinetNotifySink.h"

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

bool C_CabDecoder::CopyFromMemory(const void* block, size_t size, const char* cabinetName, PFNFDINOTIFY notify,
                              void* user) {
    if (!m_hfdi || !block || !cabinetName) return false;
    const auto* bytes = static_cast<const unsigned char*>(block);
    CabinetDirectory directory;
    if (!ReadCabinetDirectory(bytes, size, &directory) || !CanWalkCabinetMembers(directory))
        return Copy(cabinetName, "", notify, user);
    C_CabinetNotifySink sink(directory, cabinetName, notify, user);
    return sink.AnnounceCabinet() && WalkCabinetMembers(bytes, directory, sink);
}
