#include "common/ShellHelpers.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/TestSupport.h"

using Microsoft::WRL::ComPtr;
using testsupport::ScratchDirectory;

namespace {

struct LinkFields {
    std::string path, arguments, workingDir, description, iconPath;
    int iconIndex = -1;
};

// Loads a shell link back through the system's shell-link object.
bool LoadLink(const std::string& file, LinkFields& fields) {
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> persist;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&persist)) || FAILED(persist->Load(wide, STGM_READ)))
        return false;
    char text[MAX_PATH];
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    fields.path = text;
    link->GetArguments(text, MAX_PATH);
    fields.arguments = text;
    link->GetWorkingDirectory(text, MAX_PATH);
    fields.workingDir = text;
    link->GetDescription(text, MAX_PATH);
    fields.description = text;
    link->GetIconLocation(text, MAX_PATH, &fields.iconIndex);
    fields.iconPath = text;
    return true;
}

}  // namespace

TEST(CreateShortcut, WritesALinkThatReadsBack) {
    ComScope com;
    ScratchDirectory dir("shortcut");
    const std::string target = testsupport::ChildProgram();
    const std::string link = dir / "Turn on.lnk";
    ASSERT_EQ(CreateShortcut(link.c_str(), target.c_str(), "-subscribe {GUID}", dir.path().c_str(),
                             "Subscribe the channel", target.c_str(), 3),
              S_OK);
    LinkFields fields;
    ASSERT_TRUE(LoadLink(link, fields));
    EXPECT_EQ(fields.path, target);
    EXPECT_EQ(fields.arguments, "-subscribe {GUID}");
    EXPECT_EQ(fields.workingDir, dir.path());
    EXPECT_EQ(fields.description, "Subscribe the channel");
    EXPECT_EQ(fields.iconPath, target);
    EXPECT_EQ(fields.iconIndex, 3);
}

TEST(CreateShortcut, MissingArgumentsAndOverlongPaths) {
    ScratchDirectory dir("shortcut-bad");
    const std::string link = dir / "x.lnk";
    const char* target = "C:\\target.exe";
    EXPECT_EQ(CreateShortcut(link.c_str(), nullptr, "", "C:\\", nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(CreateShortcut(link.c_str(), target, "", nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_FALSE(FileExists(link.c_str()));

    const std::string overlong = dir / (std::string(300, 'n') + ".lnk");
    EXPECT_TRUE(FAILED(CreateShortcut(overlong.c_str(), target, "", "C:\\", nullptr, nullptr, 0)));
}

TEST(ShellOpen, StartsTheFileWithParametersInTheDirectory) {
    ScratchDirectory dir("open");
    const std::string marker = dir / "cwd.txt";
    ASSERT_TRUE(ShellOpen(dir.path().c_str(), testsupport::ChildProgram().c_str(),
                          ("write-cwd \"" + marker + "\"").c_str()));
    std::string written;
    for (int i = 0; i < 400 && written.empty(); ++i) {
        Sleep(50);
        written = testsupport::ReadText(marker);
    }
    EXPECT_EQ(written, dir.path());

    EXPECT_FALSE(ShellOpen(dir.path().c_str(), (dir / "missing.exe").c_str(), ""));
}
