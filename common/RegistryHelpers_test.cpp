#include "common/RegistryHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/Handles.h"
#include "common/TestSupport.h"

using testsupport::kScratchKey;

namespace {

class RegistryHelpers : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey); }
    void TearDown() override {
        RegDeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Tessary\\ZULTest");  // only when empty
    }

    static std::string Key(const std::string& sub = "") {
        return sub.empty() ? kScratchKey : std::string(kScratchKey) + "\\" + sub;
    }
    static std::string Read(const char* value, const std::string& sub = "") {
        char buffer[256];
        const LONG result = RegReadValue(HKEY_LOCAL_MACHINE, Key(sub).c_str(), value, buffer, sizeof buffer);
        if (result == ERROR_SUCCESS) return buffer;
        std::string error("<");
        error += std::to_string(result);
        error += '>';
        return error;
    }
    static bool KeyExists(const std::string& sub) {
        UniqueRegKey key;
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, Key(sub).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }
};

}  // namespace

TEST_F(RegistryHelpers, WriteReadAndDeleteValues) {
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key("a\\b").c_str(), "Name", "text"), 0);
    EXPECT_EQ(Read("Name", "a\\b"), "text");
    EXPECT_EQ(Read("Name", "nokey"), "<2>");

    char small[4] = "xyz";
    EXPECT_EQ(RegReadValue(HKEY_LOCAL_MACHINE, Key("a\\b").c_str(), "Name", small, sizeof small), ERROR_MORE_DATA);
    EXPECT_EQ(small[0], '\0');

    EXPECT_EQ(RegDeleteValueOf(HKEY_LOCAL_MACHINE, Key("a\\b").c_str(), "Name"), 0);
    EXPECT_EQ(Read("Name", "a\\b"), "<2>");
    EXPECT_EQ(RegDeleteValueOf(HKEY_LOCAL_MACHINE, Key("a\\b").c_str(), "Name"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryHelpers, StringStoredWithoutItsZeroIsTerminated) {
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key().c_str(), "Seed", ""), 0);
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, KEY_SET_VALUE, key.put()), 0);
    ASSERT_EQ(RegSetValueExA(key.get(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcd"), 4), 0);

    char buffer[8];
    std::memset(buffer, 'q', sizeof buffer);
    ASSERT_EQ(RegReadValue(HKEY_LOCAL_MACHINE, kScratchKey, "Raw", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "abcd");
    // Exactly the data's size leaves no room for the zero.
    EXPECT_EQ(RegReadValue(HKEY_LOCAL_MACHINE, kScratchKey, "Raw", buffer, 4), ERROR_MORE_DATA);
    // Appending to it must not run past the stored bytes either.
    EXPECT_EQ(RegAppendToString(kScratchKey, "Raw", "e"), 0);
    EXPECT_EQ(Read("Raw"), "abcde");
}

// A number or binary data under a string's name reads as absent, never as text running past its
// bytes; a long string is read whole.
TEST_F(RegistryHelpers, OtherTypesReadAsAbsentAndLongStringsWhole) {
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key().c_str(), "Seed", ""), 0);
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, KEY_SET_VALUE, key.put()), 0);
    const DWORD number = 0x41414141;  // "AAAA" without a zero
    ASSERT_EQ(RegSetValueExA(key.get(), "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number), 0);
    ASSERT_EQ(RegSetValueExA(key.get(), "Binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>("abcdefgh"), 8), 0);

    char buffer[8];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(RegReadValue(HKEY_LOCAL_MACHINE, kScratchKey, "Number", buffer, sizeof buffer), ERROR_INVALID_DATA);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(Read("Binary"), "<13>");
    std::string text = "stale";
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kScratchKey, "Number", text), ERROR_INVALID_DATA);
    EXPECT_EQ(text, "");
    // Appending treats it as empty and stores a string.
    EXPECT_EQ(RegAppendToString(kScratchKey, "Number", "{A},"), 0);
    EXPECT_EQ(Read("Number"), "{A},");

    const std::string longText(40000, 'g');
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key().c_str(), "Long", longText.c_str()), 0);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kScratchKey, "Long", text), 0);
    EXPECT_EQ(text, longText);
    ASSERT_EQ(RegSetValueExA(key.get(), "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcd"), 4), 0);
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kScratchKey, "Raw", text), 0);
    EXPECT_EQ(text, "abcd");
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kScratchKey, "Missing", text), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryHelpers, AppendOnceAndRemove) {
    EXPECT_EQ(RegAppendToString(kScratchKey, "List", "{A},"), 0);
    EXPECT_EQ(Read("List"), "{A},");
    EXPECT_EQ(RegAppendToString(kScratchKey, "List", "{B},"), 0);
    EXPECT_EQ(RegAppendToString(kScratchKey, "List", "{C},"), 0);
    EXPECT_EQ(Read("List"), "{A},{B},{C},");
    // Already there, whole or as part of the value: untouched.
    EXPECT_EQ(RegAppendToString(kScratchKey, "List", "{B},"), 0);
    EXPECT_EQ(RegAppendToString(kScratchKey, "List", "B},{"), 0);
    EXPECT_EQ(Read("List"), "{A},{B},{C},");

    EXPECT_EQ(RegRemoveFromString(kScratchKey, "List", "{B},"), 0);
    EXPECT_EQ(Read("List"), "{A},{C},");
    EXPECT_EQ(RegRemoveFromString(kScratchKey, "List", "{X},"), 0);
    EXPECT_EQ(RegRemoveFromString(kScratchKey, "List", ""), 0);
    EXPECT_EQ(Read("List"), "{A},{C},");
    EXPECT_EQ(RegRemoveFromString(kScratchKey, "List", "{A},"), 0);
    EXPECT_EQ(RegRemoveFromString(kScratchKey, "List", "{C},"), 0);
    EXPECT_EQ(Read("List"), "");
    // Removing from a value that does not exist writes nothing.
    EXPECT_EQ(RegRemoveFromString(kScratchKey, "Absent", "{A},"), 0);
    EXPECT_EQ(Read("Absent"), "<2>");
}

TEST_F(RegistryHelpers, DeleteKeyTreeRemovesNestedSubKeys) {
    for (const char* sub : {"tree\\a\\b\\c", "tree\\a\\d", "tree\\e", "tree\\e\\f\\g\\h", "keep"})
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key(sub).c_str(), "V", sub), 0);
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, Key("tree").c_str(), nullptr, "default"), 0);

    EXPECT_EQ(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, Key("tree").c_str()), 0);
    EXPECT_FALSE(KeyExists("tree"));
    EXPECT_TRUE(KeyExists("keep"));
    EXPECT_EQ(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, Key("tree").c_str()), ERROR_FILE_NOT_FOUND);
    // An empty sub-key would name the root itself.
    EXPECT_EQ(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyTree(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
}
