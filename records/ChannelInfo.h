// ChannelInfo: a channel's record ("Software\Tessary\ZUL\Channel\<id>") served to clients.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "records/RecordStore.h"
#include "records/RegistryRecord.h"

class ChannelInfo final : public ComObject<I_ChannelInfo> {
public:
    STDMETHODIMP SetGUID(char* sGuid, ZULError* ret) override { return m_record.SetGUID(sGuid, ret); }
    STDMETHODIMP GetProp(char* sPropName, char** sVal, ZULError* ret) override {
        return m_record.GetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP SetProp(char* sPropName, char* sVal, ZULError* ret) override {
        return m_record.SetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP GetGUID(char** sGuid, ZULError* ret) override { return m_record.GetGUID(sGuid, ret); }
    STDMETHODIMP Flush(ZULError* ret) override { return m_record.Flush(ret); }
    STDMETHODIMP RemoveProp(char* sPropName, ZULError* ret) override { return m_record.RemoveProp(sPropName, ret); }

    C_RegistryRecord& Record() noexcept { return m_record; }

private:
    C_RegistryRecord m_record{RecordKinds::kChannel};
};
