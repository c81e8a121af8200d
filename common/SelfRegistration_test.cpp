#include "common/SelfRegistration.h"

#include <gtest/gtest.h>

#include <string>

#include "common/TestSupport.h"

using testsupport::ScratchDirectory;

namespace {

std::string CurrentDirectory() {
    char directory[MAX_PATH];
    GetCurrentDirectoryA(sizeof directory, directory);
    return directory;
}

}  // namespace

TEST(SelfRegistration, ProgramsRunWithTheirServerArgument) {
    const std::string before = CurrentDirectory();
    EXPECT_EQ(RegisterFile(testsupport::ChildProgram().c_str()), S_OK);
    EXPECT_EQ(UnregisterFile(testsupport::ChildProgram().c_str()), 7);
    // The extension is compared without regard to case.
    ScratchDirectory dir("regexe");
    EXPECT_EQ(RegisterFile(testsupport::CopyChild(dir, "SERVER.EXE").c_str()), S_OK);
    // A program that cannot be started is a failure, not its error number as a success code.
    EXPECT_EQ(RegisterFile((dir / "missing.exe").c_str()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(SelfRegistration, LibrariesAreCalledWithComAndTheirDirectoryCurrent) {
    const std::string before = CurrentDirectory();
    // The library checks both conditions itself.
    EXPECT_EQ(RegisterFile(testsupport::ServerLibrary().c_str()), S_OK);
    EXPECT_EQ(CurrentDirectory(), before);
    // It has no DllUnregisterServer.
    EXPECT_EQ(UnregisterFile(testsupport::ServerLibrary().c_str()), E_FAIL);
    ScratchDirectory dir("reglib");
    EXPECT_EQ(RegisterFile((dir / "missing.dll").c_str()), E_FAIL);
    EXPECT_EQ(RegisterFile((dir / "noextension").c_str()), E_FAIL);
    EXPECT_EQ(RegisterFile(""), E_FAIL);
    EXPECT_EQ(CurrentDirectory(), before);
}
