#include "records/ItemEnum.h"

#include <string>

#include "common/Handles.h"
#include "common/RegistryHelpers.h"
#include "common/ComResult.h"
#include "records/RecordFactory.h"
#include "records/RecordStore.h"

namespace {
constexpr char kTypeValue[] = "Type";

// The type of the item stored under `name`: the all-zero GUID when "Type" is missing or no GUID.
GuidValue ReadItemType(HKEY items, const char* name) {
    char text[ItemEnum::kNameBufferSize];
    GuidValue type;
    if (RegReadValue(items, name, kTypeValue, text, sizeof text) == ERROR_SUCCESS) ParseGuidText(text, type);
    return type;
}
}  // namespace

ZULError ItemEnum::Scan() noexcept {
    m_nCount = 0;
    std::string path;
    if (!RecordKindKeyPath(RecordKinds::kItem, path)) return ZULERR_OUT_OF_MEMORY;
    UniqueRegKey items;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, items.put()) != ERROR_SUCCESS)
        return ZULERR_OPEN_REG_KEY_FAILED;

    for (DWORD index = 0; index < kMaxScannedKeys; ++index) {
        char name[kNameBufferSize];
        DWORD nameSize = kNameBufferSize;
        LONG result = RegEnumKeyExA(items.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is no GUID: skipped like any other, not the end.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        Entry& entry = m_entries[m_nCount];
        if (ParseGuidText(std::string_view(name, nameSize), entry.id) != kGuidParsed) continue;
        entry.type = ReadItemType(items.get(), name);
        ++m_nCount;
    }
    return ZULERR_SUCCESS;
}

STDMETHODIMP ItemEnum::Rewind(char* sTypeGuidFilter, ZULError* ret) {
    m_nCursor = -1;
    ZULError code = Scan();
    if (code != ZULERR_SUCCESS) return Report(ret, code);
    return NextItem(sTypeGuidFilter, ret);
}

STDMETHODIMP ItemEnum::NextItem(char* sTypeGuidFilter, ZULError* ret) {
    const ptrdiff_t end = static_cast<ptrdiff_t>(m_nCount);
    // A filter that is no GUID text stays all zeros and so selects items without a type.
    GuidValue filter;
    if (sTypeGuidFilter) ParseGuidText(sTypeGuidFilter, filter);
    ptrdiff_t next = m_nCursor < end ? m_nCursor + 1 : end;
    while (next < end && sTypeGuidFilter && !(m_entries[static_cast<size_t>(next)].type == filter)) ++next;
    m_nCursor = next;
    return ReportHr(ret, next < end ? ZULERR_SUCCESS : ZULERR_NOT_FOUND, S_OK);
}

STDMETHODIMP ItemEnum::GetItem(I_ZULItem** ppItem, ZULError* ret) {
    if (!ppItem) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *ppItem = nullptr;
    if (!OnEntry()) return Report(ret, ZULERR_NOT_FOUND);
    GuidTextBuffer id;
    FormatGuidText(m_entries[static_cast<size_t>(m_nCursor)].id, id);
    HRESULT hr = OpenItemInfo(id.data(), ppItem, ret);
    // The item is handed out whatever its load reported.
    if (hr == S_OK) return Report(ret, ZULERR_SUCCESS);
    return hr;
}

STDMETHODIMP ItemEnum::GetGUID(char** sGuid, ZULError* ret) {
    if (!sGuid) return Report(ret, ZULERR_INVALID_ARGUMENT);
    *sGuid = nullptr;
    if (!OnEntry()) return Report(ret, ZULERR_NOT_FOUND);
    GuidTextBuffer id;
    FormatGuidText(m_entries[static_cast<size_t>(m_nCursor)].id, id);
    return HandOutString(std::string_view(id.data(), kGuidTextLength), sGuid, ret);
}
