#include "checkin/CheckinSchedule.h"

#include <cerrno>
#include <cstdlib>

#include "common/ZULErrorCodes.h"

void ScheduleAfterCheckin(CheckinSchedule& schedule, const CheckinOutcome& outcome, uint64_t now) {
    bool normal = false;
    if (outcome.result == 0 && outcome.error == ZULERR_SUCCESS) {
        normal = outcome.answered;
        if (!outcome.answered) schedule.next = now + kDayMs;
    } else if (outcome.error == ZULERR_CHECKIN_FAILED) {
        schedule.next = now + kTransportRetryMs;
    } else if (outcome.error == ZULERR_BAD_CHECKIN_RESULT) {
        normal = true;
    } else {
        schedule.next = now + kDayMs;
    }
    if (normal) {
        schedule.last = now;
        schedule.next = schedule.last + uint64_t{schedule.interval} * kMinuteMs;
    }
}

std::optional<uint64_t> ScanStoredNumber(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') return std::nullopt;
    errno = 0;
    unsigned long long value = std::strtoull(p, nullptr, 10);
    return static_cast<uint64_t>(value);
}

uint32_t ScanAnswerInterval(const std::string& text) {
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    if (*digits < '0' || *digits > '9') return kDefaultCheckinInterval;
    // A negative interval would wrap to billions of minutes and silence the client for good.
    const long value = std::strtol(p, nullptr, 10);
    if (value < 0) return kDefaultCheckinInterval;
    return static_cast<uint32_t>(static_cast<int32_t>(value));
}

uint32_t WaitMilliseconds(uint64_t next, uint64_t now) {
    if (next <= now) return 0;
    const uint64_t wait = next - now;
    // 0xFFFFFFFF would wait forever; a longer wait ends early and the loop waits again.
    return wait >= 0xFFFFFFFFull ? 0xFFFFFFFEu : static_cast<uint32_t>(wait);
}
