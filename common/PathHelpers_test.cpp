#include "common/PathHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/RegistryHelpers.h"
#include "common/TestSupport.h"

using testsupport::ScratchDirectory;
using testsupport::WriteText;

TEST(CreateDirectoryTree, MakesEveryMissingLevelButNotTheFileName) {
    ScratchDirectory dir("tree");
    const std::string file = dir / "x\\y/z\\file.txt";
    ASSERT_EQ(CreateDirectoryTree(file.c_str(), true), 1);
    EXPECT_TRUE(DirectoryExists((dir / "x").c_str()));
    EXPECT_TRUE(DirectoryExists((dir / "x\\y\\z").c_str()));
    EXPECT_FALSE(DirectoryExists(file.c_str()));
    EXPECT_FALSE(FileExists(file.c_str()));
    // Existing levels and a trailing separator are fine; the whole path is made without the flag.
    EXPECT_EQ(CreateDirectoryTree((dir / "x\\y\\w\\").c_str(), false), 1);
    EXPECT_EQ(CreateDirectoryTree((dir / "x\\y\\file.txt").c_str(), false), 1);
    EXPECT_TRUE(DirectoryExists((dir / "x\\y\\file.txt").c_str()));
}

TEST(CreateDirectoryTree, FailsWhenAFileStandsInTheWay) {
    ScratchDirectory dir("blocked");
    WriteText(dir / "x", "a file");
    EXPECT_EQ(CreateDirectoryTree((dir / "x\\y\\file.txt").c_str(), true), 0);
    EXPECT_TRUE(FileExists((dir / "x").c_str()));

    ASSERT_EQ(CreateDirectoryTree((dir / "d\\e").c_str(), false), 1);
    WriteText(dir / "d\\e\\f", "");
    EXPECT_EQ(CreateDirectoryTree((dir / "d\\e\\f\\g\\h").c_str(), false), 0);
    // The last level itself being a file is a failure too.
    EXPECT_EQ(CreateDirectoryTree((dir / "d\\e\\f").c_str(), false), 0);
    EXPECT_TRUE(FileExists((dir / "d\\e\\f").c_str()));
}

TEST(CreateDirectoryTree, BadPathsAndBareFileNames) {
    EXPECT_EQ(CreateDirectoryTree("", false), 0);
    EXPECT_EQ(CreateDirectoryTree(nullptr, true), 0);
    EXPECT_EQ(CreateDirectoryTree(std::string(300, 'a').c_str(), false), 0);

    // A bare file name lies in the current directory: nothing is made.
    ScratchDirectory dir("bare");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_EQ(CreateDirectoryTree("file.txt", true), 1);
    EXPECT_FALSE(DirectoryExists("file.txt"));
    SetCurrentDirectoryA(previous);
}

TEST(DeleteDirectoryTree, RemovesNestedTrees) {
    ScratchDirectory dir("delete");
    const std::string root = dir / "root";
    ASSERT_EQ(CreateDirectoryTree((root + "\\a\\b\\c").c_str(), false), 1);
    ASSERT_EQ(CreateDirectoryTree((root + "\\empty").c_str(), false), 1);
    WriteText(root + "\\top.txt", "1");
    WriteText(root + "\\a\\b\\c\\deep.bin", std::string(10000, 'x'));
    WriteText(root + "\\a\\mid", "");
    EXPECT_EQ(DeleteDirectoryTree(root.c_str()), 1);
    EXPECT_FALSE(DirectoryExists(root.c_str()));
    EXPECT_TRUE(DirectoryExists(dir.path().c_str()));

    EXPECT_EQ(DeleteDirectoryTree(root.c_str()), 0);
    // An empty name must not stand for the current directory.
    EXPECT_EQ(DeleteDirectoryTree(""), 0);
}

TEST(DeleteDirectoryTree, ReadOnlyFileFailsButTheRestGoes) {
    ScratchDirectory dir("readonly");
    const std::string root = dir / "root";
    ASSERT_EQ(CreateDirectoryTree((root + "\\a").c_str(), false), 1);
    const std::string locked = root + "\\a\\locked.txt";
    WriteText(locked, "x");
    WriteText(root + "\\other.txt", "y");
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(DeleteDirectoryTree(root.c_str()), 0);
    EXPECT_TRUE(FileExists(locked.c_str()));
    EXPECT_FALSE(FileExists((root + "\\other.txt").c_str()));
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(DeleteDirectoryTree(root.c_str()), 1);
}

TEST(ReadWholeFile, ReadsEveryByteAndAddsAZero) {
    ScratchDirectory dir("read");
    std::string content("ab\0cd\r\n", 7);
    content += std::string(70000, 'z');
    WriteText(dir / "data", content);
    std::unique_ptr<char[]> buffer;
    unsigned long size = 0;
    ASSERT_EQ(ReadWholeFile((dir / "data").c_str(), buffer, &size), 1);
    ASSERT_EQ(size, content.size());
    EXPECT_EQ(std::string(buffer.get(), size), content);
    EXPECT_EQ(buffer[size], '\0');

    WriteText(dir / "empty", "");
    ASSERT_EQ(ReadWholeFile((dir / "empty").c_str(), buffer, &size), 1);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(buffer[0], '\0');

    EXPECT_EQ(ReadWholeFile((dir / "missing").c_str(), buffer), 0);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(ReadWholeFile(dir.path().c_str(), buffer), 0);
}

TEST(PathHelpers, ExistenceAndMakerDirectory) {
    ScratchDirectory dir("exists");
    WriteText(dir / "f", "");
    EXPECT_EQ(FileExists((dir / "f").c_str()), 1);
    EXPECT_EQ(DirectoryExists((dir / "f").c_str()), 0);
    EXPECT_EQ(FileExists(dir.path().c_str()), 0);
    EXPECT_EQ(DirectoryExists(dir.path().c_str()), 1);

    char programFiles[1024];
    ASSERT_EQ(RegReadValue(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                           "ProgramFilesDir", programFiles, sizeof programFiles), 0);
    EXPECT_EQ(std::string(GetMakerDirectory()), std::string(programFiles) + "\\Tessary");
    EXPECT_EQ(GetMakerDirectory(), GetMakerDirectory());
}
