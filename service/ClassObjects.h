// Class objects of the three classes the channel manager serves to other processes.
#pragma once
#include <windows.h>

class ClassObjects {
public:
    ClassObjects() = default;
    ClassObjects(const ClassObjects&) = delete;
    ClassObjects& operator=(const ClassObjects&) = delete;
    ~ClassObjects() { Revoke(); }

    // Registers ZULManager, DownloadMgr and ItemInstaller for multiple use by local clients.
    HRESULT Register();
    void Revoke();

private:
    DWORD m_cookies[3] = {};
};

// Creates one object of a served class inside this process.
HRESULT CreateServedObject(REFCLSID clsid, REFIID riid, void** ppv);
