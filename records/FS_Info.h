// FS_Info: a file set's record ("Software\Tessary\ZUL\FS_Info\<id>") served to clients, with
// accessors for the properties the file-set operations use.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "records/RecordStore.h"
#include "records/RegistryRecord.h"

namespace FileSetProps {
constexpr char kName[] = "Name";
constexpr char kSourceURL[] = "SourceURL";
constexpr char kLocalPath[] = "LocalPath";
constexpr char kFlags[] = "Flags";
// SHA-256 of the recorded archive (64 lower-case hexadecimal digits), set when it was checked
// against the digest its FileSet block named; empty when the archive was fetched unchecked.
constexpr char kSha256[] = "SHA256";
}  // namespace FileSetProps

class FS_Info final : public ComObject<I_FS_Info> {
public:
    STDMETHODIMP SetGUID(char* sGuid, ZULError* ret) override { return m_record.SetGUID(sGuid, ret); }
    STDMETHODIMP GetName(char** sName, ZULError* ret) override { return Get(FileSetProps::kName, sName, ret); }
    STDMETHODIMP SetName(char* sName, ZULError* ret) override { return Set(FileSetProps::kName, sName, ret); }
    STDMETHODIMP GetSourceURL(char** sURL, ZULError* ret) override { return Get(FileSetProps::kSourceURL, sURL, ret); }
    STDMETHODIMP GetProperty(char* sPropName, char** sVal, ZULError* ret) override {
        return m_record.GetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP SetProperty(char* sPropName, char* sVal, ZULError* ret) override {
        return m_record.SetProp(sPropName, sVal, ret);
    }
    STDMETHODIMP SetSourceURL(char* sURL, ZULError* ret) override { return Set(FileSetProps::kSourceURL, sURL, ret); }
    STDMETHODIMP GetLocalPath(char** sPath, ZULError* ret) override { return Get(FileSetProps::kLocalPath, sPath, ret); }
    STDMETHODIMP SetLocalPath(char* sPath, ZULError* ret) override { return Set(FileSetProps::kLocalPath, sPath, ret); }
    // "Flags" read like "%lu": "12abc" gives 12, text without leading digits ZULERR_PARSE_ERROR.
    STDMETHODIMP GetFlags(ULONG* flags, ZULError* ret) override;
    STDMETHODIMP Flush(ZULError* ret) override { return m_record.Flush(ret); }
    STDMETHODIMP RemoveProp(char* sPropName, ZULError* ret) override { return m_record.RemoveProp(sPropName, ret); }

    C_RegistryRecord& Record() noexcept { return m_record; }

private:
    HRESULT Get(const char* name, char** value, ZULError* ret) { return m_record.GetProp(name, value, ret); }
    HRESULT Set(const char* name, const char* value, ZULError* ret) { return m_record.SetProp(name, value, ret); }

    C_RegistryRecord m_record{RecordKinds::kFileSet};
};
