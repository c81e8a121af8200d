#include "common/ManagerConnection.h"

HRESULT CreateManager(Microsoft::WRL::ComPtr<I_ZULManager>& out) {
    out.Reset();
    const HRESULT hr = CoCreateInstance(CLSID_ZULManager, nullptr, kManagerClassContext, IID_I_ZULManager,
                                        reinterpret_cast<void**>(out.GetAddressOf()));
    if (FAILED(hr)) return hr;
    return out ? S_OK : E_NOINTERFACE;
}
