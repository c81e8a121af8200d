#include "package/SnapshotText.h"

#include <gtest/gtest.h>

TEST(SnapshotText, RoundTripsEveryKindAndRefusesDamagedText) {
    using Kind = SnapshotRecord::Kind;
    const std::vector<SnapshotRecord> records = {
        {Kind::Tree, "Software\\Tessary", "", 0, ""},
        {Kind::Key, "Software\\Tessary\\ZUL\\Channel", "", 0, ""},
        {Kind::Value, "Software\\Tessary\\ZUL", "Path", 1, std::string("C:\\a;b|c\n\0", 10)},
        {Kind::Value, "Software\\Tessary\\ZUL", "", 4, std::string("\x01\x00\x00\x00", 4)},
        {Kind::Absent, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "ZULM", 0, ""},
        {Kind::NewFile, "C:\\Program Files\\Tessary\\ZUL\\distid.dat", "", 0, ""},
        {Kind::NewFolder, "C:\\Program Files\\Tessary\\TYUpdates", "", 0, ""},
    };
    const std::string text = EncodeSnapshot(records);
    EXPECT_EQ(DecodeSnapshot(text), records);
    EXPECT_EQ(DecodeSnapshot(""), std::vector<SnapshotRecord>{});

    EXPECT_FALSE(DecodeSnapshot("X;00;;0;\n"));
    EXPECT_FALSE(DecodeSnapshot("K;0;;0;\n"));
    EXPECT_FALSE(DecodeSnapshot("K;zz;;0;\n"));
    EXPECT_FALSE(DecodeSnapshot("V;41;42;x;\n"));
    EXPECT_FALSE(DecodeSnapshot(text + "K;41;;0\n"));
}

TEST(SnapshotText, OnlyTheSystemsKeysAndFilesAreRestorable) {
    using Kind = SnapshotRecord::Kind;
    EXPECT_TRUE(IsRestorable({Kind::Tree, "Software\\Tessary", "", 0, ""}));
    EXPECT_TRUE(IsRestorable({Kind::Value, "software\\tessary\\ZUL", "Path", 1, "x"}));
    EXPECT_TRUE(IsRestorable({Kind::Key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TessaryZUL", "", 0, ""}));
    EXPECT_TRUE(IsRestorable({Kind::Absent, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "ZULM", 0, ""}));
    EXPECT_TRUE(IsRestorable({Kind::NewFile, "C:\\Program Files\\Tessary\\ZUL\\distid.dat", "", 0, ""}));
    EXPECT_TRUE(IsRestorable({Kind::NewFolder, "C:\\Program Files\\Tessary\\TYUpdates", "", 0, ""}));

    EXPECT_FALSE(IsRestorable({Kind::Tree, "Software\\TessaryOther", "", 0, ""}));
    EXPECT_FALSE(IsRestorable({Kind::Tree, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "", 0, ""}));
    EXPECT_FALSE(IsRestorable({Kind::Value, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "x", 1, "y"}));
    EXPECT_FALSE(IsRestorable({Kind::Value, "Software\\Classes\\exefile\\shell", "", 1, "y"}));
    EXPECT_FALSE(IsRestorable({Kind::NewFile, "C:\\Windows\\System32\\kernel32.dll", "", 0, ""}));
    EXPECT_FALSE(IsRestorable({Kind::NewFile, "C:\\x\\..\\distid.dat", "", 0, ""}));
    EXPECT_FALSE(IsRestorable({Kind::NewFile, "C:\\x\\mydistid.dat", "", 0, ""}));
}
