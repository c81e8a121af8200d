// Lock count of a COM local server: live objects plus LockServer(TRUE) calls. When the count
// falls to zero the idle handler runs (the server's shutdown monitor starts its idle wait).
#pragma once
#include <windows.h>

namespace ServerModule {
void Lock();
void Unlock();
LONG Count();
// Handler called on the thread whose Unlock brought the count to zero; nullptr for none.
void SetIdleHandler(void (*handler)());
}  // namespace ServerModule
