// The check-in schedule: when the next check-in is due after each outcome, and the stored
// texts of the schedule.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

constexpr uint32_t kDefaultCheckinInterval = 11000;  // minutes
constexpr uint64_t kMinuteMs = 60000;
constexpr uint64_t kOfflineRetryMs = 300000;          // 5 minutes
constexpr uint64_t kTransportRetryMs = 3600000;       // 1 hour
constexpr uint64_t kDayMs = 86400000;                 // 24 hours

struct CheckinSchedule {
    uint64_t last = 0;  // ms since 1601
    uint64_t next = 0;
    uint32_t interval = kDefaultCheckinInterval;
};

// What one check-in ended with, as the worker sees it.
struct CheckinOutcome {
    long result = 0;     // 0 for success
    uint32_t error = 0;  // ZULError
    bool answered = false;
};

// Updates the schedule after a check-in that finished at time now.
void ScheduleAfterCheckin(CheckinSchedule& schedule, const CheckinOutcome& outcome, uint64_t now);

// A stored decimal time or interval ("%I64u" / "%lu" scanning): nullopt when it holds no number.
std::optional<uint64_t> ScanStoredNumber(const std::string& text);
// The answer's "Interval" read as a signed decimal ("%d"); the default when it is no number
// or negative.
uint32_t ScanAnswerInterval(const std::string& text);

// Milliseconds to wait until next (never the infinite wait, however far away).
uint32_t WaitMilliseconds(uint64_t next, uint64_t now);
