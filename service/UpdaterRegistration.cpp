#include "service/UpdaterRegistration.h"

// The updater client is not part of this build yet: both operations do nothing, as they do on a
// machine without the updater.
void RegisterWithUpdater() {}
void LeaveUpdater() {}
