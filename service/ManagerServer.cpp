#include "service/ManagerServer.h"

#include "ZULMan.h"
#include "common/ClassFactory.h"
#include "common/ProductKeys.h"
#include "manager/ItemInstaller.h"
#include "manager/ZULManager.h"
#include "transfer/DownloadMgr.h"

namespace {

ClassFactory<ZULManager> g_managerFactory;
ClassFactory<DownloadMgr> g_downloadFactory;
ClassFactory<ItemInstaller> g_installerFactory;

const ServedClass kClasses[] = {
    {&CLSID_ZULManager, &g_managerFactory, "ZULMan.ZULManager.1", "ZULMan.ZULManager", "ZULManager Class"},
    {&CLSID_DownloadMgr, &g_downloadFactory, "ZULMan.DownloadMgr.1", "ZULMan.DownloadMgr", "DownloadMgr Class"},
    {&CLSID_ItemInstaller, &g_installerFactory, "ZULMan.ItemInstaller.1", "ZULMan.ItemInstaller", "ItemInstaller Class"},
};

const LocalServerTable kServer = {
    ProductIds::kZULManAppId, "ZULMan", "ZULMan.EXE", {&LIBID_ZULMANLib, 1, 0}, kClasses,
};

}  // namespace

const LocalServerTable& ManagerServer() { return kServer; }
