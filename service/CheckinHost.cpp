#include "service/CheckinHost.h"

// The check-in worker is not part of this build yet: starting records only that it was asked
// for, so that a second request does nothing.
void CheckinHost::StartOnce() { m_started = true; }

void CheckinHost::Stop(DWORD) {}
