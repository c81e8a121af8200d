#include "archive/CabinetNotifySink.h"

#include "archive/ArchFile.h"

namespace {
constexpr INT_PTR kAbortAnswer = -1;
}

C_CabinetNotifySink::C_CabinetNotifySink(const CabinetDirectory& directory, const char* cabinetName,
                                         PFNFDINOTIFY notify, void* user)
    : m_directory(directory), m_pszCabinetName(const_cast<char*>(cabinetName)), m_pfnNotify(notify), m_pvUser(user) {}

bool C_CabinetNotifySink::AnnounceCabinet() {
    FDINOTIFICATION info = {};
    info.psz1 = const_cast<char*>("");  // no next cabinet
    info.psz2 = const_cast<char*>("");
    info.psz3 = m_pszCabinetName;
    info.pv = m_pvUser;
    info.setID = m_directory.setId;
    info.iCabinet = m_directory.index;
    return m_pfnNotify(fdintCABINET_INFO, &info) != kAbortAnswer;
}

FDINOTIFICATION C_CabinetNotifySink::MemberNotification(const CabinetMember& member) const {
    FDINOTIFICATION info = {};
    info.cb = static_cast<LONG>(member.length);
    info.psz1 = const_cast<char*>(member.name);
    info.pv = m_pvUser;
    info.date = member.date;
    info.time = member.time;
    info.attribs = member.attributes;
    info.setID = m_directory.setId;
    info.iCabinet = m_directory.index;
    info.iFolder = member.folder;
    return info;
}

CabinetMemberSink::Take C_CabinetNotifySink::Begin(const CabinetMember& member) {
    FDINOTIFICATION info = MemberNotification(member);
    m_hTarget = m_pfnNotify(fdintCOPY_FILE, &info);
    if (m_hTarget == kAbortAnswer) return Take::Abort;
    return m_hTarget == 0 ? Take::Skip : Take::Write;
}

bool C_CabinetNotifySink::Write(const unsigned char* data, size_t size) {
    const UINT count = static_cast<UINT>(size);
    return C_ArchFile::FdiWrite(m_hTarget, const_cast<unsigned char*>(data), count) == count;
}

bool C_CabinetNotifySink::End(const CabinetMember& member) {
    FDINOTIFICATION info = MemberNotification(member);
    info.hf = m_hTarget;
    m_hTarget = 0;
    return m_pfnNotify(fdintCLOSE_FILE_INFO, &info) != kAbortAnswer;
}
