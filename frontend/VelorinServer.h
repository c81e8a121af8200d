// The front-end as a local server: ItemInstaller_Velo, application "ZULVelorin", type library
// ZULVELORINLib; and its server mode, which serves the class until no client holds an object.
#pragma once
#include <windows.h>

#include "common/ClassObjectTable.h"
#include "common/LocalServer.h"
#include "common/ShutdownMonitor.h"

const LocalServerTable& VelorinServer();

// Server mode's quiet period after the last object was released.
constexpr DWORD kVelorinQuietMs = 1000;

// Started before the job runs (the class object is registered at once), ended after it.
class C_ServerMode {
public:
    C_ServerMode();
    C_ServerMode(const C_ServerMode&) = delete;
    C_ServerMode& operator=(const C_ServerMode&) = delete;

    // Starts the shutdown monitor and registers the class object (local server, multiple use).
    HRESULT Start();
    // A shutdown request of the install helper: the loop ends without the quiet period.
    void StopNow();
    // Revokes the class object and waits one second for late calls to drain.
    void Finish();

private:
    ShutdownMonitor m_monitor;
    ClassObjectTable m_classObjects;
};
