#include "records/FS_Info.h"

#include "common/ComResult.h"
#include "records/DecimalText.h"

STDMETHODIMP FS_Info::GetFlags(ULONG* flags, ZULError* ret) {
    if (!flags) return Report(ret, ZULERR_INVALID_ARGUMENT);
    std::string_view text;
    ZULError code = m_record.Bag().GetProp(FileSetProps::kFlags, text);
    if (code != ZULERR_SUCCESS) return Report(ret, code);
    uint32_t value = 0;
    code = ParseLeadingUnsigned(text, value);
    if (code == ZULERR_SUCCESS) *flags = value;
    return Report(ret, code);
}
