#include "archive/MemberPath.h"

#include <gtest/gtest.h>

TEST(MemberPath, JoinsWithExactlyOneSeparator) {
    std::string target;
    ASSERT_TRUE(JoinMemberPath("C:\\out", "a.txt", &target));
    EXPECT_EQ(target, "C:\\out\\a.txt");
    ASSERT_TRUE(JoinMemberPath("C:\\out", "\\sub/dir\\b.txt", &target));
    EXPECT_EQ(target, "C:\\out\\sub/dir\\b.txt");
    ASSERT_TRUE(JoinMemberPath("C:\\out", "/c.txt", &target));
    EXPECT_EQ(target, "C:\\out\\c.txt");
    // Names that merely contain dots or look like devices are ordinary files.
    for (const char* name : {"..a", "a..", "a.b.c", ".hidden", "CONSOLE.txt", "COM0", "LPT10", "nul1"}) {
        EXPECT_TRUE(IsSafeMemberName(name)) << name;
    }
}

TEST(MemberPath, RefusesNamesThatLeaveTheDirectory) {
    const char* hostile[] = {
        "..", "../evil.txt", "..\\evil.txt", "a\\..\\..\\evil", "a/../b", "sub/..",
        ".", "./a", "...", ".. /x", " ..\\x",
        "C:\\Windows\\evil.dll", "c:evil", "file.txt:stream", "\\\\server\\share\\x", "//server/x",
        "\\", "/", "", "dir\\", "a/b/",
        "CON", "con.txt", "sub\\NUL", "aux.tar.gz", "COM1", "lpt9.log", "CONIN$", "PRN. ",
        "tab\there", "nl\nx"};
    for (const char* name : hostile) {
        std::string target = "unchanged";
        EXPECT_FALSE(JoinMemberPath("C:\\out", name, &target)) << name;
        EXPECT_EQ(target, "unchanged") << name;
    }
    std::string target;
    EXPECT_FALSE(JoinMemberPath("C:\\out", nullptr, &target));
    // Without a directory the name would be relative to wherever the process stands.
    EXPECT_FALSE(JoinMemberPath("", "a.txt", &target));
}
