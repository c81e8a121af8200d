#include "frontend/VelorinServer.h"

#include "ZULVelorin.h"
#include "common/ClassFactory.h"
#include "frontend/ItemInstaller_Velo.h"
#include "common/VelorinIds.h"

namespace {

ClassFactory<ItemInstaller_Velo> g_installerFactory;

const ServedClass kClasses[] = {
    {&CLSID_ItemInstaller_Velo, &g_installerFactory, "ZULVelorin.ItemInstaller_Velo.1",
     "ZULVelorin.ItemInstaller_Velo", "ItemInstaller_Velo Class"},
};

const LocalServerTable kServer = {VelorinIds::kAppId, VelorinIds::kProgramName, "ZULVelorin.EXE",
                                  {&LIBID_ZULVELORINLib, 1, 0}, kClasses};

}  // namespace

const LocalServerTable& VelorinServer() { return kServer; }

C_ServerMode::C_ServerMode() : m_monitor(GetCurrentThreadId(), kVelorinQuietMs), m_classObjects(kServer) {}

HRESULT C_ServerMode::Start() {
    m_monitor.Start();
    return m_classObjects.Register();
}

void C_ServerMode::StopNow() { m_monitor.StopNow(); }

void C_ServerMode::Finish() {
    m_classObjects.Revoke();
    Sleep(1000);
}
