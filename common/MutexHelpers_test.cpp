#include "common/MutexHelpers.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/Handles.h"
#include "common/ProcessHelpers.h"
#include "common/TestSupport.h"

namespace {

std::string MutexName(const char* what) {
    return "ZULTest-" + std::string(what) + "-" + std::to_string(GetCurrentProcessId());
}

}  // namespace

TEST(NamedMutex, TakeReleaseAndBadArguments) {
    const std::string name = MutexName("take");
    HANDLE held = nullptr;
    ASSERT_EQ(WaitNamedMutex(name.c_str(), &held, 0), 0);
    ASSERT_NE(held, nullptr);
    ReleaseNamedMutex(&held);
    EXPECT_EQ(held, INVALID_HANDLE_VALUE);
    ReleaseNamedMutex(&held);  // nothing held any more
    ReleaseNamedMutex(nullptr);

    EXPECT_EQ(WaitNamedMutex(nullptr, &held, 0), 87);
    EXPECT_EQ(WaitNamedMutex(name.c_str(), nullptr, 0), 87);
    EXPECT_EQ(WaitNamedMutex("", &held, 0), 87);
}

TEST(NamedMutex, TimesOutWhileAnotherThreadHoldsIt) {
    const std::string name = MutexName("busy");
    UniqueHandle taken(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread owner([&] {
        HANDLE held = nullptr;
        if (WaitNamedMutex(name.c_str(), &held, 0) == 0) SetEvent(taken.get());
        WaitForSingleObject(done.get(), 20000);
        ReleaseNamedMutex(&held);
    });
    ASSERT_EQ(WaitForSingleObject(taken.get(), 20000), WAIT_OBJECT_0);
    HANDLE mine = nullptr;
    EXPECT_EQ(WaitNamedMutex(name.c_str(), &mine, 50), 258);
    EXPECT_EQ(mine, nullptr);
    SetEvent(done.get());
    owner.join();
    EXPECT_EQ(WaitNamedMutex(name.c_str(), &mine, 20000), 0);
    ReleaseNamedMutex(&mine);
}

TEST(NamedMutex, TakesAMutexAbandonedByADeadOwner) {
    const std::string name = MutexName("abandoned");
    // This handle keeps the mutex alive after its owner has gone.
    UniqueHandle keep(CreateMutexA(nullptr, FALSE, name.c_str()));
    ASSERT_TRUE(keep);
    DWORD code = 1;
    const std::string args = "hold-mutex " + name;
    ASSERT_TRUE(StartProgram(testsupport::ChildProgram().c_str(), args.c_str(), nullptr, true, &code));
    ASSERT_EQ(code, 0u);
    HANDLE held = nullptr;
    EXPECT_EQ(WaitNamedMutex(name.c_str(), &held, 2000), 0);
    ReleaseNamedMutex(&held);
}
