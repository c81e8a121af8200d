// Hands the members of a walked cabinet to a notification callback exactly as the system's
// decoder does: cabinet information once, then per member "copy file" (the callback answers a
// file handle, 0 to skip or -1 to abort), the data through the file callbacks' write, and "close
// file information" (the callback closes the handle).
#pragma once
#include <windows.h>
#include <fdi.h>

#include "archive/CabinetMemberWalk.h"

class C_CabinetNotifySink : public CabinetMemberSink {
public:
    C_CabinetNotifySink(const CabinetDirectory& directory, const char* cabinetName, PFNFDINOTIFY notify,
                        void* user);

    // The cabinet information notification; false when the callback aborts.
    bool AnnounceCabinet();

    Take Begin(const CabinetMember& member) override;
    bool Write(const unsigned char* data, size_t size) override;
    bool End(const CabinetMember& member) override;

private:
    FDINOTIFICATION MemberNotification(const CabinetMember& member) const;

    const CabinetDirectory& m_directory;
    char* m_pszCabinetName;
    PFNFDINOTIFY m_pfnNotify;
    void* m_pvUser;
    INT_PTR m_hTarget = 0;
};
