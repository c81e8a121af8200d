// Reference-counted implementation of IUnknown for the objects a server hands out. Every live
// object holds one unit of the server's lock count.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <wrl/client.h>

#include <new>

#include "common/ServerModule.h"

template <class Interface>
class ComObject : public Interface {
public:
    ComObject() { ServerModule::Lock(); }
    virtual ~ComObject() { ServerModule::Unlock(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }

    // Creates an object and hands out the requested interface (E_OUTOFMEMORY when allocation
    // fails). The caller's reference is the only one.
    template <class Derived, class... Args>
    static HRESULT Create(REFIID riid, void** ppv, Args&&... args) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        // The new object's first reference goes straight into the owner (MinGW's ComPtr::Attach
        // would add a second one).
        Microsoft::WRL::ComPtr<Derived> object;
        *object.GetAddressOf() = new (std::nothrow) Derived(static_cast<Args&&>(args)...);
        if (!object) return E_OUTOFMEMORY;
        return object->QueryInterface(riid, ppv);
    }

private:
    volatile LONG m_refs = 1;
};
