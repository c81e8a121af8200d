#include "manager/BlockValue.h"

#include "common/InterfaceText.h"
#include "records/GuidText.h"

HRESULT ReadBlockValue(I_ResponseData* response, const char* key, CoTaskMemString& value, ZULError* ret) {
    return response->GetKeyValue(InText(key), value.put(), ret);
}

bool NamesARecord(const char* idText) {
    GuidValue id;
    return idText && ParseGuidText(idText, id) == kGuidParsed && !id.IsNull();
}

void RemoveBlockKey(I_ResponseData* response, const char* key) {
    // Bounded, in case a foreign response object keeps answering success.
    constexpr int kMaxRepeats = 1024;
    for (int i = 0; i < kMaxRepeats; ++i) {
        ZULError ret = ZULERR_FAILED;
        if (response->RemoveKeyValue(InText(key), &ret) != S_OK || ret != ZULERR_SUCCESS) return;
    }
}
