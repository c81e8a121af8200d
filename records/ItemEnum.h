// ItemEnum: a list of the recorded items (id and item type), filled by Rewind from the
// registry and walked with a cursor, optionally filtered by item type.
//
// Rewind looks at the first 256 sub-keys of "Software\Tessary\ZUL\Item" only; sub-keys whose
// names are no GUID (names of 40 characters or more included) are skipped. An item whose
// "Type" is missing or no GUID has the all-zero type, which only a filter that is no valid GUID
// text matches.
#pragma once
#include <windows.h>

#include <array>
#include <cstddef>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "records/GuidText.h"

class ItemEnum final : public ComObject<I_ItemEnum> {
public:
    static constexpr size_t kMaxScannedKeys = 256;
    // Buffer for a sub-key name and for an item's "Type".
    static constexpr DWORD kNameBufferSize = 40;

    // Rescans and moves to the first matching item. ZULERR_OPEN_REG_KEY_FAILED with S_FALSE
    // when the items key cannot be opened (the list is then empty); otherwise NextItem's answer.
    STDMETHODIMP Rewind(char* sTypeGuidFilter, ZULError* ret) override;
    // Moves to the next item (of the filter's type when one is given); ZULERR_NOT_FOUND past
    // the last one. Always S_OK.
    STDMETHODIMP NextItem(char* sTypeGuidFilter, ZULError* ret) override;
    // The current item, loaded; ZULERR_NOT_FOUND with S_FALSE when the cursor is on none.
    STDMETHODIMP GetItem(I_ZULItem** ppItem, ZULError* ret) override;
    // The current item's id text; ZULERR_NOT_FOUND with S_FALSE when the cursor is on none.
    STDMETHODIMP GetGUID(char** sGuid, ZULError* ret) override;

private:
    struct Entry {
        GuidValue id;
        GuidValue type;
    };

    ZULError Scan() noexcept;
    bool OnEntry() const noexcept { return m_nCursor >= 0 && static_cast<size_t>(m_nCursor) < m_nCount; }

    std::array<Entry, kMaxScannedKeys> m_entries{};
    size_t m_nCount = 0;
    // -1 before the first entry, m_nCount past the last.
    ptrdiff_t m_nCursor = -1;
};
