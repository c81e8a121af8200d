#include "common/ProcessHelpers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/Handles.h"
#include "common/TestSupport.h"

using testsupport::ChildProcess;
using testsupport::ChildProgram;
using testsupport::CopyChild;
using testsupport::ScratchDirectory;

namespace {

constexpr UINT kQuitMessage = WM_APP + 0x21;
constexpr DWORD kLongWaitMs = 20000;

// Identifiers of every process FindProcessByName reports for wanted, in one snapshot.
std::set<DWORD> FindAll(const char* wanted) {
    std::set<DWORD> ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    HANDLE snapshot = nullptr;
    while (FindProcessByName(wanted, &entry, &snapshot) == 0) ids.insert(entry.th32ProcessID);
    EXPECT_EQ(FindProcessByName(wanted, &entry, &snapshot), 2u);
    if (snapshot) CloseHandle(snapshot);
    return ids;
}

}  // namespace

TEST(StartProgram, WaitsAndReportsTheExitCode) {
    DWORD value = 0;
    ASSERT_TRUE(StartProgram(ChildProgram().c_str(), "exit 42", nullptr, true, &value));
    EXPECT_EQ(value, 42u);

    // Handed-out handles belong to the caller.
    StartedProgram started;
    ASSERT_TRUE(StartProgram(ChildProgram().c_str(), "sleep 50 3", nullptr, false, &value, &started));
    ASSERT_EQ(WaitForSingleObject(started.process.get(), kLongWaitMs), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(started.process.get(), &code);
    EXPECT_EQ(code, 3u);

    ScratchDirectory dir("start");
    EXPECT_FALSE(StartProgram((dir / "missing.exe").c_str(), "", nullptr, true, &value));
    EXPECT_EQ(value, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(StartProgram(nullptr, "", nullptr, true, &value));
}

TEST(FindProcessByName, MatchesTheNameWithOrWithoutItsExtension) {
    ScratchDirectory dir("find");
    ChildProcess bare, full, other;
    ASSERT_TRUE(bare.Start(CopyChild(dir, "ZULTestProc"), "sleep 20000 0"));
    ASSERT_TRUE(full.Start(CopyChild(dir, "ZULTestProc.exe"), "sleep 20000 0"));
    ASSERT_TRUE(other.Start(CopyChild(dir, "ZULTestProcess.exe"), "sleep 20000 0"));

    EXPECT_EQ(FindAll("ZULTestProc.exe"), (std::set<DWORD>{bare.id(), full.id()}));
    EXPECT_EQ(FindAll("zultestproc.EXE"), (std::set<DWORD>{bare.id(), full.id()}));
    EXPECT_EQ(FindAll("ZULTestProc"), (std::set<DWORD>{bare.id()}));
    EXPECT_EQ(FindAll("ZULTestProcess.exe"), (std::set<DWORD>{other.id()}));
    // A process whose name is only the start of the wanted one is another program.
    EXPECT_EQ(FindAll("ZULTestProcX.exe"), (std::set<DWORD>{}));
    EXPECT_EQ(FindAll("ZULTestPro.exe"), (std::set<DWORD>{}));

    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    HANDLE snapshot = nullptr;
    EXPECT_EQ(FindProcessByName("x.exe", nullptr, &snapshot), 87u);
    EXPECT_EQ(FindProcessByName("x.exe", &entry, nullptr), 87u);
    EXPECT_EQ(snapshot, nullptr);
}

TEST(ProcessMessages, PostedMessageEndsTheProcessWithItsParameter) {
    ScratchDirectory dir("post");
    ChildProcess child;
    ASSERT_TRUE(child.StartQuitOn(CopyChild(dir, "ZULTestPost.exe"), kQuitMessage));
    DWORD code = 0;
    EXPECT_EQ(WaitForProcessExit(child.id(), 50, &code), static_cast<DWORD>(WAIT_TIMEOUT));

    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(PostToProcessThreads(WM_APP + 0x22, 5, 0, child.id(), snapshot.get()), 0u);  // ignored
    EXPECT_EQ(PostToProcessThreads(kQuitMessage, 9, 0, child.id(), snapshot.get()), 0u);
    ASSERT_EQ(WaitForProcessExit(child.id(), kLongWaitMs, &code), 0u);
    EXPECT_EQ(code, 9u);

    EXPECT_NE(PostToProcessThreads(kQuitMessage, 0, 0, 0xFFFFFFF0u, snapshot.get()), 0u);
    EXPECT_NE(WaitForProcessExit(0xFFFFFFF0u, 0), 0u);
}

TEST(AskProcessToQuit, NotRunningRunningAndDeaf) {
    ScratchDirectory dir("ask");
    EXPECT_EQ(AskProcessToQuit("ZULTestAbsent.exe", kQuitMessage, 1, INFINITE, false), 5u);
    EXPECT_EQ(AskProcessToQuit("ZULTestAbsent.exe", kQuitMessage, 1, INFINITE, true), 5u);

    ChildProcess first, second;
    const std::string program = CopyChild(dir, "ZULTestQuit.exe");
    ASSERT_TRUE(first.StartQuitOn(program, kQuitMessage));
    ASSERT_TRUE(second.StartQuitOn(program, kQuitMessage));
    EXPECT_EQ(AskProcessToQuit("ZULTestQuit.exe", kQuitMessage, 1, kLongWaitMs, true), 1u);
    EXPECT_EQ(WaitForSingleObject(first.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // Both copies are told and awaited; the answer is the exit code, here the parameter.
    EXPECT_EQ(AskProcessToQuit("ZULTestQuit.exe", kQuitMessage, 6, kLongWaitMs, false), 6u);
    EXPECT_EQ(WaitForSingleObject(first.process(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second.process(), 0), WAIT_OBJECT_0);

    // A program without a message queue never quits: the wait runs out.
    ChildProcess deaf;
    ASSERT_TRUE(deaf.Start(CopyChild(dir, "ZULTestDeaf.exe"), "sleep 20000 0"));
    EXPECT_EQ(AskProcessToQuit("ZULTestDeaf.exe", kQuitMessage, 1, 200, false), 32u);
}
