// ZULItem: an item's record ("Software\Tessary\ZUL\Item\<id>") served to clients and handed to
// item installers.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "records/RecordStore.h"
#include "records/RegistryRecord.h"

class ZULItem final : public ComObject<I_ZULItem> {
public:
    STDMETHODIMP GetProp(char* sPropName, char** sVal, ZULError* ret) override {
        return m_record.GetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP SetProp(char* sPropName, char* sVal, ZULError* ret) override {
        return m_record.SetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP GetGUID(char** sGuid, ZULError* ret) override { return m_record.GetGUID(sGuid, ret); }
    STDMETHODIMP SetGUID(char* sGuid, ZULError* ret) override { return m_record.SetGUID(sGuid, ret); }
    STDMETHODIMP Flush(ZULError* ret) override { return m_record.Flush(ret); }
    STDMETHODIMP DeleteInfo(ZULError* ret) override { return m_record.DeleteInfo(ret); }
    STDMETHODIMP RemoveProp(char* sPropName, ZULError* ret) override { return m_record.RemoveProp(sPropName, ret); }

    C_RegistryRecord& Record() noexcept { return m_record; }

private:
    C_RegistryRecord m_record{RecordKinds::kItem};
};
