// The class objects of a local server's table, registered with COM for local-server activation
// and multiple use, and revoked again (at the latest when the object goes).
#pragma once
#include <windows.h>

#include <vector>

#include "common/LocalServer.h"

class ClassObjectTable {
public:
    explicit ClassObjectTable(const LocalServerTable& server) : m_server(server) {}
    ClassObjectTable(const ClassObjectTable&) = delete;
    ClassObjectTable& operator=(const ClassObjectTable&) = delete;
    ~ClassObjectTable() { Revoke(); }

    // Registers every class; S_OK, or the failure of the last class that could not be registered
    // (the others stay registered).
    HRESULT Register();
    void Revoke();

private:
    const LocalServerTable& m_server;
    std::vector<DWORD> m_cookies;
};
