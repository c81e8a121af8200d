#include "records/RegistryRecord.h"

#include "common/ComResult.h"
#include "records/RecordStore.h"

HRESULT C_RegistryRecord::SetGUID(const char* sGuid, ZULError* ret) noexcept {
    if (!sGuid || m_bag.SetIdText(sGuid) != ZULERR_SUCCESS) return Report(ret, ZULERR_BAD_GUID);
    return ReportHr(ret, LoadRecordValues(m_kind, m_bag), S_OK);
}

HRESULT C_RegistryRecord::GetProp(const char* sPropName, char** sVal, ZULError* ret) const noexcept {
    if (!sVal) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *sVal = nullptr;
    if (!sPropName) return Report(ret, ZULERR_INVALID_ARGUMENT);
    std::string_view value;
    ZULError code = m_bag.GetProp(sPropName, value);
    if (code != ZULERR_SUCCESS) return Report(ret, code);
    return HandOutString(value, sVal, ret);
}

HRESULT C_RegistryRecord::SetProp(const char* sPropName, const char* sVal, ZULError* ret) noexcept {
    if (!sPropName || !sVal) return Report(ret, ZULERR_INVALID_ARGUMENT);
    return Report(ret, m_bag.SetProp(sPropName, sVal));
}

HRESULT C_RegistryRecord::GetGUID(char** sGuid, ZULError* ret) const noexcept {
    if (!sGuid) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *sGuid = nullptr;
    return HandOutString(m_bag.IdText(), sGuid, ret);
}

HRESULT C_RegistryRecord::Flush(ZULError* ret) const noexcept {
    return Report(ret, WriteRecordValues(m_kind, m_bag));
}

HRESULT C_RegistryRecord::RemoveProp(const char* sPropName, ZULError* ret) noexcept {
    if (!sPropName) return Report(ret, ZULERR_INVALID_ARGUMENT);
    ZULError code = m_bag.RemoveProp(sPropName);
    if (code == ZULERR_SUCCESS) DeleteRecordValue(m_kind, m_bag, sPropName);
    return Report(ret, code);
}

HRESULT C_RegistryRecord::DeleteInfo(ZULError* ret) const noexcept {
    return Report(ret, DeleteRecordKey(m_kind, m_bag));
}
