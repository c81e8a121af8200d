// C_RegistryRecord: the record operations shared by ChannelInfo, FS_Info and ZULItem (and the
// manager's item-installer records): a property bag of one kind, bound to its registry key by
// its id. Each operation has the shape of an interface method: it writes `ret` and answers
// S_OK when `ret` is ZULERR_SUCCESS, S_FALSE otherwise (SetGUID and allocation failures aside).
// Changes stay in memory until Flush, except RemoveProp and DeleteInfo, which act on the
// registry at once.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "records/PropertyBlock.h"

class C_RegistryRecord {
public:
    // `kind` is a static text such as RecordKinds::kItem.
    explicit C_RegistryRecord(const char* kind) noexcept : m_kind(kind) {}

    // Parses the id (36 to 38 characters, braces optional) and loads the record's values into
    // the bag, adding to what it holds. A bad or null id: ZULERR_BAD_GUID with S_FALSE, the id
    // unchanged. Otherwise S_OK whatever the load reports in `ret` (ZULERR_NOT_FOUND for a
    // record not yet stored).
    HRESULT SetGUID(const char* sGuid, ZULError* ret) noexcept;
    // A copy of the property (the id text for "GUID"); ZULERR_NOT_FOUND when absent.
    HRESULT GetProp(const char* sPropName, char** sVal, ZULError* ret) const noexcept;
    // Sets or adds the property in memory; "GUID" sets the id without loading.
    HRESULT SetProp(const char* sPropName, const char* sVal, ZULError* ret) noexcept;
    // A copy of the id text (the all-zero GUID's text when no id is set).
    HRESULT GetGUID(char** sGuid, ZULError* ret) const noexcept;
    // Writes every property to the record's key; never deletes a value.
    HRESULT Flush(ZULError* ret) const noexcept;
    // Removes the property from the bag and deletes its registry value at once.
    HRESULT RemoveProp(const char* sPropName, ZULError* ret) noexcept;
    // Deletes the record's key with its sub-keys; the bag is kept.
    HRESULT DeleteInfo(ZULError* ret) const noexcept;

    const char* Kind() const noexcept { return m_kind; }
    const C_PropertyBlock& Bag() const noexcept { return m_bag; }

private:
    const char* m_kind;
    C_PropertyBlock m_bag;
};
