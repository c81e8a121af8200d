#include "checkin/CheckinSchedule.h"

#include <gtest/gtest.h>

#include "common/ZULErrorCodes.h"

TEST(CheckinScheduleTable, NextTimeByOutcome) {
    const uint64_t now = 13'000'000'000'000ull;
    CheckinSchedule s;
    s.last = 42;
    s.interval = 1440;

    ScheduleAfterCheckin(s, {0, ZULERR_SUCCESS, true}, now);
    EXPECT_EQ(s.last, now);
    EXPECT_EQ(s.next, now + 1440 * kMinuteMs);

    s.last = 42;
    ScheduleAfterCheckin(s, {0, ZULERR_SUCCESS, false}, now);  // success without an answer
    EXPECT_EQ(s.last, 42u);
    EXPECT_EQ(s.next, now + kDayMs);

    ScheduleAfterCheckin(s, {1, ZULERR_CHECKIN_FAILED, false}, now);
    EXPECT_EQ(s.last, 42u);
    EXPECT_EQ(s.next, now + kTransportRetryMs);

    for (uint32_t error : {ZULERR_NOT_FOUND, ZULERR_CHECKIN_BAD_SERVER_RESPONSE, ZULERR_PARSE_ERROR}) {
        ScheduleAfterCheckin(s, {error == ZULERR_NOT_FOUND ? 0 : 1, error, false}, now);
        EXPECT_EQ(s.last, 42u) << error;
        EXPECT_EQ(s.next, now + kDayMs) << error;
    }

    ScheduleAfterCheckin(s, {1, ZULERR_BAD_CHECKIN_RESULT, false}, now);  // counts as done
    EXPECT_EQ(s.last, now);
    EXPECT_EQ(s.next, now + 1440 * kMinuteMs);

    // Large intervals do not wrap around.
    s.interval = 100000;
    ScheduleAfterCheckin(s, {0, ZULERR_SUCCESS, true}, now);
    EXPECT_EQ(s.next, now + 100000ull * kMinuteMs);
}

TEST(CheckinScheduleText, StoredNumbersAndAnswerIntervals) {
    EXPECT_EQ(ScanStoredNumber("13400000000000"), 13400000000000ull);
    EXPECT_EQ(ScanStoredNumber("  77xyz"), 77u);
    EXPECT_FALSE(ScanStoredNumber("soon"));
    EXPECT_FALSE(ScanStoredNumber(""));
    EXPECT_FALSE(ScanStoredNumber("-"));

    EXPECT_EQ(ScanAnswerInterval("1440"), 1440u);
    EXPECT_EQ(ScanAnswerInterval("often"), kDefaultCheckinInterval);
    EXPECT_EQ(ScanAnswerInterval(""), kDefaultCheckinInterval);
    EXPECT_EQ(ScanAnswerInterval("-5"), kDefaultCheckinInterval);
}

TEST(CheckinScheduleWait, NeverInfiniteNeverNegative) {
    EXPECT_EQ(WaitMilliseconds(100, 200), 0u);
    EXPECT_EQ(WaitMilliseconds(200, 200), 0u);
    EXPECT_EQ(WaitMilliseconds(1200, 200), 1000u);
    EXPECT_EQ(WaitMilliseconds(0xFFFFFFFFull + 200, 200), 0xFFFFFFFEu);
    EXPECT_EQ(WaitMilliseconds(1ull << 50, 0), 0xFFFFFFFEu);
}
