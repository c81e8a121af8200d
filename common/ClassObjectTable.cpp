#include "common/ClassObjectTable.h"

HRESULT ClassObjectTable::Register() {
    Revoke();
    HRESULT result = S_OK;
    for (const ServedClass& served : m_server.classes) {
        DWORD cookie = 0;
        const HRESULT hr = CoRegisterClassObject(*served.clsid, served.factory, CLSCTX_LOCAL_SERVER,
                                                 REGCLS_MULTIPLEUSE, &cookie);
        if (FAILED(hr))
            result = hr;
        else
            m_cookies.push_back(cookie);
    }
    return result;
}

void ClassObjectTable::Revoke() {
    for (DWORD cookie : m_cookies) CoRevokeClassObject(cookie);
    m_cookies.clear();
}

HRESULT CreateServedObject(const LocalServerTable& server, REFCLSID clsid, REFIID riid, void** ppv) {
    for (const ServedClass& served : server.classes)
        if (IsEqualCLSID(clsid, *served.clsid)) return served.factory->CreateInstance(nullptr, riid, ppv);
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
