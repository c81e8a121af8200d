#include "archive/ArchFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive/ArchiveTestSupport.h"
#include "archive/MemoryPath.h"

using archivetest::Sandbox;

namespace {

constexpr int kRead = C_ArchFile::kBinary;
constexpr int kCreateTruncWrite = C_ArchFile::kBinary | C_ArchFile::kCreate | C_ArchFile::kTruncate | C_ArchFile::kWriteOnly;

std::string NameOf(const void* block, uint32_t size) {
    char name[kMemoryPathBufferSize];
    FormatMemoryPath(reinterpret_cast<uintptr_t>(block), size, name);
    return name;
}

std::string ReadAll(C_ArchFile& file) {
    char buffer[256];
    const UINT done = file.Read(buffer, sizeof buffer);
    return done == static_cast<UINT>(-1) ? "<failed>" : std::string(buffer, done);
}

}  // namespace

TEST(ArchFile, MemoryPseudoPathOpensTheBlockItNames) {
    char block[] = "0123456789";
    std::string name = NameOf(block, 10);
    C_ArchFile file;
    ASSERT_TRUE(file.Open(name.data(), kRead));
    EXPECT_EQ(file.kind(), C_ArchFile::Kind::Memory);
    EXPECT_EQ(file.name(), name);
    EXPECT_EQ(ReadAll(file), "0123456789");

    // The prefix in any case and lower-case digits name the same block.
    for (char& c : name) c = static_cast<char>(tolower(c));
    name[0] = 'M';
    C_ArchFile again;
    ASSERT_TRUE(again.Open(name.data(), kRead));
    EXPECT_EQ(again.kind(), C_ArchFile::Kind::Memory);
    EXPECT_EQ(ReadAll(again), "0123456789");
}

TEST(ArchFile, NamesOfOtherLengthsAreDiskNames) {
    char block[] = "secret";
    const std::string name = NameOf(block, 6);
    // One digit less or one more: a disk name, which does not exist, never the block.
    for (const std::string& other : {name.substr(0, name.size() - 1), name + "0"}) {
        C_ArchFile file;
        EXPECT_FALSE(file.Open(other.c_str(), kRead)) << other;
        EXPECT_EQ(file.kind(), C_ArchFile::Kind::None) << other;
    }
}

TEST(ArchFile, MemoryTransfersStayInsideTheBlock) {
    char block[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    C_ArchFile file;
    ASSERT_TRUE(file.OpenMemory(block, sizeof block));
    char buffer[16] = {};
    EXPECT_EQ(file.Seek(6, 0), 6);
    EXPECT_EQ(file.Read(buffer, 16), 2u);
    EXPECT_EQ(std::string(buffer, 2), "gh");
    EXPECT_EQ(file.Read(buffer, 16), 0u);

    EXPECT_EQ(file.Seek(8, 0), -1);   // from the start: not below the size fails
    EXPECT_EQ(file.Seek(-1, 0), -1);
    EXPECT_EQ(file.Seek(2, 0), 2);
    EXPECT_EQ(file.Seek(3, 1), 5);
    EXPECT_EQ(file.Seek(-1, 1), -1);  // from the current position: never backwards
    EXPECT_EQ(file.Seek(4, 1), -1);   // nor past the end
    EXPECT_EQ(file.Seek(3, 1), 8);
    EXPECT_EQ(file.Seek(0, 2), 8);
    EXPECT_EQ(file.Seek(-8, 2), 0);
    EXPECT_EQ(file.Seek(-9, 2), -1);
    EXPECT_EQ(file.Seek(1, 2), -1);
    EXPECT_EQ(file.Seek(0, 3), -1);   // unknown origin

    EXPECT_EQ(file.Seek(-3, 2), 5);
    EXPECT_EQ(file.Write("XYZW", 4), 3u);
    EXPECT_EQ(std::string(block, 8), "abcdeXYZ");
    EXPECT_EQ(file.bytesWritten(), 3u);
    EXPECT_TRUE(file.SetTimes(FILETIME{}));
    EXPECT_EQ(file.Close(), 0);
    EXPECT_FALSE(file.SetTimes(FILETIME{}));
    EXPECT_EQ(file.Read(buffer, 1), static_cast<UINT>(-1));
}

TEST(ArchFile, OpenFlagsChooseTheDisposition) {
    Sandbox sandbox;
    const std::string path = sandbox / "file.bin";
    C_ArchFile file;
    EXPECT_FALSE(file.Open(path.c_str(), kRead));  // without create: must exist
    ASSERT_TRUE(file.Open(path.c_str(), kCreateTruncWrite));
    EXPECT_EQ(file.kind(), C_ArchFile::Kind::Disk);
    EXPECT_EQ(file.Write("hello world", 11), 11u);
    // Opened for writing alone: nobody may read it meanwhile.
    C_ArchFile reader;
    EXPECT_FALSE(reader.Open(path.c_str(), kRead));
    EXPECT_EQ(file.Close(), 0);

    // Create and exclusive: only a new file.
    EXPECT_FALSE(file.Open(path.c_str(), C_ArchFile::kCreate | C_ArchFile::kExclusive | C_ArchFile::kWriteOnly));
    // Create without truncate keeps the content; append writes at the end.
    ASSERT_TRUE(file.Open(path.c_str(), C_ArchFile::kCreate | C_ArchFile::kAppend | C_ArchFile::kReadWrite));
    EXPECT_EQ(file.Write("!", 1), 1u);
    EXPECT_EQ(file.Seek(0, 0), 0);
    EXPECT_EQ(ReadAll(file), "hello world!");
    file.Close();

    // Readers share with readers.
    ASSERT_TRUE(file.Open(path.c_str(), kRead));
    ASSERT_TRUE(reader.Open(path.c_str(), kRead));
    EXPECT_EQ(file.Seek(-6, 2), 6);
    EXPECT_EQ(ReadAll(file), "world!");
    EXPECT_EQ(file.Write("x", 1), static_cast<UINT>(-1));  // opened for reading only
    file.Close();
    reader.Close();

    // Create and truncate empties an existing file.
    ASSERT_TRUE(file.Open(path.c_str(), kCreateTruncWrite));
    file.Close();
    ASSERT_TRUE(file.Open(path.c_str(), kRead));
    EXPECT_EQ(ReadAll(file), "");
}

TEST(ArchFile, SetTimesDatesCreationAndLastWrite) {
    Sandbox sandbox;
    const std::string path = sandbox / "dated.bin";
    C_ArchFile file;
    ASSERT_TRUE(file.Open(path.c_str(), kCreateTruncWrite));
    FILETIME when;
    ASSERT_TRUE(DosDateTimeToFileTime(((2001 - 1980) << 9) | (2 << 5) | 3, (4 << 11) | (5 << 5) | 3, &when));
    EXPECT_TRUE(file.SetTimes(when));
    EXPECT_EQ(file.Close(), 0);

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &when), 0);
    EXPECT_EQ(CompareFileTime(&data.ftCreationTime, &when), 0);
}

TEST(ArchFile, DecoderCallbacksOwnTheObject) {
    char block[] = "data";
    std::string name = NameOf(block, 4);
    const INT_PTR handle = C_ArchFile::FdiOpen(name.data(), kRead, 0);
    ASSERT_NE(handle, -1);
    char buffer[8];
    EXPECT_EQ(C_ArchFile::FdiRead(handle, buffer, sizeof buffer), 4u);
    EXPECT_EQ(C_ArchFile::FdiSeek(handle, 1, 0), 1);

    // The close watch tells an owner that the decoder closed the object.
    C_ArchFile* watched = C_ArchFile::FromHandle(handle);
    watched->WatchClose(&watched);
    EXPECT_EQ(C_ArchFile::FdiClose(handle), 0);
    EXPECT_EQ(watched, nullptr);

    std::string missing = "Z:\\no\\such\\file.cab";
    EXPECT_EQ(C_ArchFile::FdiOpen(missing.data(), kRead, 0), -1);
    // Handles the decoder never got from us (it closes 0 for a next cabinet it did not open).
    for (INT_PTR bogus : {INT_PTR{0}, INT_PTR{-1}}) {
        EXPECT_EQ(C_ArchFile::FdiClose(bogus), -1);
        EXPECT_EQ(C_ArchFile::FdiRead(bogus, buffer, 1), static_cast<UINT>(-1));
        EXPECT_EQ(C_ArchFile::FdiWrite(bogus, buffer, 1), static_cast<UINT>(-1));
        EXPECT_EQ(C_ArchFile::FdiSeek(bogus, 0, 0), -1);
    }
}
