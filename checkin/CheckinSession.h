// One check-in: the request built from the registry and the manager's channel records, the
// POST to the distribution server, and the answer's "CheckinResult".
#pragma once
#include <windows.h>
#include <wrl/client.h>

#include <optional>
#include <string>

#include "ZULMan.h"
#include "checkin/CheckinSchedule.h"

// What a check-in changes of the worker's state besides its outcome.
struct CheckinState {
    std::optional<std::string> status;  // m_sStatus
    uint32_t interval = kDefaultCheckinInterval;
};

// Runs one check-in through manager. On success (result 0, error 0) answer holds the parsed
// server answer, owned by the caller.
CheckinOutcome RunCheckin(I_ZULManager* manager, CheckinState& state,
                          Microsoft::WRL::ComPtr<I_ResponseData>& answer);

// Gives the machine a new identifier on the next check-in and reports the old one and every
// installed item again in the pending installed list.
void ResetMachineGuid(I_ZULManager* manager);
