#include "common/ServerModule.h"

namespace {
volatile LONG g_lockCount = 0;
void (*volatile g_idleHandler)() = nullptr;
}  // namespace

namespace ServerModule {

void Lock() { InterlockedIncrement(&g_lockCount); }

void Unlock() {
    if (InterlockedDecrement(&g_lockCount) == 0) {
        if (auto handler = g_idleHandler) handler();
    }
}

LONG Count() { return InterlockedCompareExchange(&g_lockCount, 0, 0); }

void SetIdleHandler(void (*handler)()) { g_idleHandler = handler; }

}  // namespace ServerModule
