// File sets whose FileSet block names the archive's SHA-256: checked after the fetch and before
// anything is recorded, stored archives checked again when the digest changes, and plain-http
// sources without a digest refused under a pinned publisher key.
#include "common/ProgramTestSupport.h"
#include "common/Sha256Hash.h"
#include "manager/ManagerTestSupport.h"

namespace managertest {
namespace {

// A key made with another implementation (Python's cryptography package).
constexpr char kPublisherKey[] = "BEccPnWMSQQoW7p+UxGO0PUkresHV9Jb0vjnsNdt+nFM3VIPesqKi5F6zDf1HejwybvjrYWDgucC3CWhLQn3qFg=";

class FileSetHashTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m_log = Scratch("fileset-hash-log") + "\\zul.log";
        WriteValue(kProductKey, "LogFile", m_log);
    }
    static std::string Digest(const std::string& path) {
        Sha256Digest digest{};
        EXPECT_TRUE(HashFile(path.c_str(), digest));
        return EncodeHexLower(digest.data(), digest.size());
    }
    static std::string Upper(std::string text) {
        for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        return text;
    }
    static std::string HashedBlock(const char* id, const std::string& source, const std::string& sha) {
        return Block("FileSet", {std::string("GUID=") + id, "SourceURL=" + source, "SHA256=" + sha});
    }
    static std::string ChannelUsing(const char* set) {
        return Block("Channel", {std::string("Guid=") + kChannelA, "Name=Hashed", std::string("FileSets=") + set});
    }
    std::string Stored(const char* id) const { return m_managerDir + "\\FileSets\\" + id + ".FileSet"; }
    std::string Log() const { return testsupport::ReadFileText(m_log); }

    std::string m_log;
};

TEST_F(FileSetHashTest, AMatchingDigestInAnyCaseIsRecordedWithTheArchive) {
    const std::string source = TestArchive("channel.FileSet");
    ASSERT_EQ(Process(HashedBlock(kChannelSet, source, Upper(Digest(source)))), kOk);
    EXPECT_EQ(ReadValue(FileSetKey(kChannelSet), "LocalPath"), Stored(kChannelSet));
    EXPECT_EQ(ReadValue(FileSetKey(kChannelSet), "SHA256"), Digest(source));
}

TEST_F(FileSetHashTest, AMismatchDeletesTheArchiveRecordsNothingAndTheRightArchiveInstallsNextTime) {
    const std::string right = TestArchive("channel.FileSet");
    const std::string wrong = Digest(TestArchive("installer.FileSet"));
    EXPECT_EQ(Process(HashedBlock(kChannelSet, right, wrong) + ChannelUsing(kChannelSet)),
              Failed(ZULERR_FILE_DOWNLOAD_FAILED));
    EXPECT_FALSE(PathExists(Stored(kChannelSet)));
    EXPECT_FALSE(ReadValue(FileSetKey(kChannelSet), "LocalPath"));
    EXPECT_FALSE(ReadValue(ChannelKey(kChannelA), "Name"));
    EXPECT_NE(Log().find(std::string(" sha256 mismatch ") + kChannelSet + " expected=" + wrong + " got=" + Digest(right)),
              std::string::npos) << Log();

    // A digest that is not 64 hexadecimal digits fetches nothing either.
    EXPECT_EQ(Process(HashedBlock(kChannelSet, right, wrong.substr(1))), Failed(ZULERR_FILE_DOWNLOAD_FAILED));
    EXPECT_FALSE(PathExists(Stored(kChannelSet)));

    ASSERT_EQ(Process(HashedBlock(kChannelSet, right, Digest(right)) + ChannelUsing(kChannelSet)), kOk);
    EXPECT_EQ(ReadValue(ChannelKey(kChannelA), "Name"), "Hashed");
    EXPECT_TRUE(PathExists(m_managerDir + "\\Channel\\" + kChannelA + "\\readme.txt"));
}

TEST_F(FileSetHashTest, AStoredArchiveIsHashedAgainWhenItsBlockNamesAnotherDigest) {
    const std::string source = TestArchive("channel.FileSet");
    ASSERT_EQ(Process(FileSetBlock(kChannelSet, source)), kOk);
    EXPECT_FALSE(ReadValue(FileSetKey(kChannelSet), "SHA256"));
    // The stored archive changed behind the manager's back: it is not the one now named.
    ASSERT_TRUE(CopyFileA(TestArchive("installer.FileSet").c_str(), Stored(kChannelSet).c_str(), FALSE));

    ASSERT_EQ(Process(HashedBlock(kChannelSet, source, Digest(source))), kOk);
    EXPECT_EQ(Digest(Stored(kChannelSet)), Digest(source));
    EXPECT_EQ(ReadValue(FileSetKey(kChannelSet), "SHA256"), Digest(source));
    EXPECT_NE(Log().find(std::string(" sha256 mismatch ") + kChannelSet), std::string::npos) << Log();

    // Fetched again without a digest: the recorded one no longer vouches for the file.
    ASSERT_EQ(m_manager->PurgeFileSet(Text(kChannelSet), nullptr), S_OK);
    ASSERT_EQ(Process(FileSetBlock(kChannelSet, source)), kOk);
    EXPECT_EQ(ReadValue(FileSetKey(kChannelSet), "SHA256"), "");
}

TEST_F(FileSetHashTest, UnderAPinnedKeyAPlainHttpSourceWithoutDigestIsNotFetched) {
    WriteValue(kProductKey, "PublisherKey", kPublisherKey);
    EXPECT_EQ(Process(FileSetBlock(kChannelSet, "HTTP://127.0.0.1:9/channel.FileSet")), Failed(ZULERR_FILE_DOWNLOAD_FAILED));
    EXPECT_NE(Log().find(std::string(" unverified file set refused ") + kChannelSet), std::string::npos) << Log();
    EXPECT_EQ(Log().find(" download "), std::string::npos) << Log();
    // Archives copied from a package's directory are not network sources.
    EXPECT_EQ(Process(FileSetBlock(kChannelSet, TestArchive("channel.FileSet"))), kOk);
}

}  // namespace
}  // namespace managertest
