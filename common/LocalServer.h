// A COM local server described by one table: the classes it serves (class identifier, class
// object, programmatic identifiers, display text), its application identifier and its type
// library. The same table drives the class objects (ClassObjectTable), the registration entries
// under HKEY_CLASSES_ROOT (ComServerRegistration) and in-process creation (CreateServedObject);
// ShutdownMonitor and ServerModule end the process once no client holds an object.
//
// A program with one served class writes, for example (the front-end's item installer):
//
//   ClassFactory<ItemInstaller_Velo> g_installerFactory;
//   const ServedClass kClasses[] = {
//       {&CLSID_ItemInstaller_Velo, &g_installerFactory, "ZULVelorin.ItemInstaller_Velo.1",
//        "ZULVelorin.ItemInstaller_Velo", "ItemInstaller_Velo Class"},
//   };
//   const LocalServerTable kServer = {
//       "{AB1D659E-3CD2-13E8-5A8D-E6EABF0E0DB4}", "ZULVelorin", "ZULVelorin.EXE",
//       {&LIBID_ZULVELORINLib, 1, 0}, kClasses};
//
//   // "RegServer" / "UnregServer":
//   HRESULT hr = RegisterComServer(kServer, modulePath);   // AppID, classes, type library
//   HRESULT hr = UnregisterComServer(kServer);            // the same, removed
//
//   // Server mode, on the main thread (an apartment):
//   ShutdownMonitor monitor(GetCurrentThreadId(), 1000);  // one quiet second before WM_QUIT
//   monitor.Start();
//   ClassObjectTable classObjects(kServer);
//   classObjects.Register();                               // local server, multiple use
//   ... message loop; a shutdown request calls monitor.StopNow() ...
//   classObjects.Revoke();
//
// The type library is loaded from the program's own resources ("1 TYPELIB" in its .rc), or,
// when they hold none, from the file of the program's name with ".tlb" in place of its extension.
#pragma once
#include <windows.h>

#include <span>

// One class served to other processes. factory lives as long as the process.
struct ServedClass {
    const CLSID* clsid;
    IClassFactory* factory;
    const char* progId;                    // version-dependent, e.g. "ZULMan.ZULManager.1"
    const char* versionIndependentProgId;  // e.g. "ZULMan.ZULManager"
    const char* displayText;               // default value of the ProgID and CLSID keys
};

// The type library the classes' "TypeLib" entries name.
struct ServedTypeLibrary {
    const GUID* libId;
    WORD majorVersion;
    WORD minorVersion;
};

struct LocalServerTable {
    const char* appId;    // "{...}": the AppID key and every class's "AppID" value
    const char* appName;  // default value of the AppID key
    const char* exeName;  // AppID subkey of the program file, e.g. "ZULMan.EXE"
    ServedTypeLibrary typeLibrary;
    std::span<const ServedClass> classes;
};

// Creates one object of a served class inside this process (CLASS_E_CLASSNOTAVAILABLE for a
// class the table does not hold).
[[nodiscard]] HRESULT CreateServedObject(const LocalServerTable& server, REFCLSID clsid, REFIID riid, void** ppv);
