#include "service/ClassObjects.h"

#include <iterator>

#include "ZULMan.h"
#include "common/ServerModule.h"
#include "manager/ItemInstaller.h"
#include "manager/ZULManager.h"
#include "transfer/DownloadMgr.h"

namespace {

// A class object lives as long as the process; it does not count in the lock count itself,
// but LockServer does.
template <class Object>
class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv) *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return Object::template Create<Object>(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ServerModule::Lock();
        else
            ServerModule::Unlock();
        return S_OK;
    }
};

ClassFactory<ZULManager> g_managerFactory;
ClassFactory<DownloadMgr> g_downloadFactory;
ClassFactory<ItemInstaller> g_installerFactory;

struct ServedClass {
    const CLSID* clsid;
    IClassFactory* factory;
};

const ServedClass kServedClasses[] = {
    {&CLSID_ZULManager, &g_managerFactory},
    {&CLSID_DownloadMgr, &g_downloadFactory},
    {&CLSID_ItemInstaller, &g_installerFactory},
};

}  // namespace

HRESULT ClassObjects::Register() {
    HRESULT result = S_OK;
    for (size_t i = 0; i < std::size(kServedClasses); ++i) {
        HRESULT hr = CoRegisterClassObject(*kServedClasses[i].clsid, kServedClasses[i].factory,
                                           CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookies[i]);
        if (FAILED(hr)) {
            m_cookies[i] = 0;
            result = hr;
        }
    }
    return result;
}

void ClassObjects::Revoke() {
    for (DWORD& cookie : m_cookies) {
        if (cookie) CoRevokeClassObject(cookie);
        cookie = 0;
    }
}

HRESULT CreateServedObject(REFCLSID clsid, REFIID riid, void** ppv) {
    for (const ServedClass& served : kServedClasses)
        if (IsEqualCLSID(clsid, *served.clsid)) return served.factory->CreateInstance(nullptr, riid, ppv);
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
