// The opt-in diagnostic log: one line per download, extraction and install outcome while
// "LogFile" names a file; nothing without it; an unwritable log never fails an operation.
#include "common/ProgramTestSupport.h"
#include "manager/ManagerTestSupport.h"

namespace managertest {
namespace {

class DiagnosticLogTest : public ManagerTest {
protected:
    // A new channel is recorded and its file set extracted; a known one is left alone.
    static std::string Response(const char* channel) {
        return Block("Item", {std::string("Guid=") + kItemA, std::string("Type=") + kFakeType}) +
               Block("Channel", {std::string("Guid=") + channel, "Name=Logged", "Subscribe=1",
                                 std::string("FileSets=") + kChannelSet}) +
               FileSetBlock(kChannelSet, TestArchive("channel.FileSet"));
    }
};

TEST_F(DiagnosticLogTest, OutcomesAreAppendedOnlyWhileLogFileNamesAFile) {
    const std::string directory = Scratch("diagnostic-log");
    const std::string log = directory + "\\zul.log";

    ASSERT_EQ(Process(Response(kChannelA)), kOk);
    EXPECT_FALSE(PathExists(log));

    WriteValue(kProductKey, "LogFile", log);
    ASSERT_EQ(Process(Response(kChannelB)), kOk);
    const std::string text = testsupport::ReadFileText(log);
    for (const std::string& expected :
         {std::string(" download ") + kChannelSet + " hr=0x00000000 ret=0 Operation completed successfully.\r\n",
          std::string(" extract ") + kChannelSet + " hr=0x00000000 ret=0 ",
          std::string(" install ") + kItemA + " hr=0x00000000 ret=0 "})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
    // Every line starts with the local date and time.
    EXPECT_EQ(text[4], '-');
    EXPECT_EQ(text[13], ':');

    // A log that cannot be written is ignored.
    WriteValue(kProductKey, "LogFile", directory + "\\missing\\zul.log");
    EXPECT_EQ(Process(Response(kChannelA)), kOk);
}

}  // namespace
}  // namespace managertest
