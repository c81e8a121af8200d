#include "service/CommandLine.h"

#include <gtest/gtest.h>

TEST(ServiceCommandLine, KeywordsAreRecognisedOnlyAtTheEndOfTheLine) {
    EXPECT_EQ(ScanServiceCommandLine("\"C:\\ZUL\\ZULMan.exe\" -RegServer").action, ServiceAction::Register);
    EXPECT_EQ(ScanServiceCommandLine("ZULMan.exe /unregserver").action, ServiceAction::Unregister);
    // The first word does not end the line, so nothing registers; the second is a background start.
    ServiceCommand mixed = ScanServiceCommandLine("ZULMan.exe -RegServer -Background");
    EXPECT_EQ(mixed.action, ServiceAction::Run);
    EXPECT_TRUE(mixed.background);
    EXPECT_EQ(ScanServiceCommandLine("ZULMan.exe -RegServer ").action, ServiceAction::Run);
}

TEST(ServiceCommandLine, BackgroundTakesEitherIntroducerAndAnyCase) {
    EXPECT_TRUE(ScanServiceCommandLine("ZULMan.exe /background").background);
    EXPECT_TRUE(ScanServiceCommandLine("ZULMan.exe -BACKGROUND").background);
    EXPECT_FALSE(ScanServiceCommandLine("ZULMan.exe -Background2").background);
    EXPECT_FALSE(ScanServiceCommandLine("ZULMan.exe Background").background);
}

TEST(ServiceCommandLine, StrayWordsAndOddLinesAreIgnored) {
    ServiceCommand embedding = ScanServiceCommandLine("C:\\x\\ZULMan.exe -Embedding");
    EXPECT_EQ(embedding.action, ServiceAction::Run);
    EXPECT_FALSE(embedding.background);
    EXPECT_EQ(ScanServiceCommandLine("").action, ServiceAction::Run);
    EXPECT_EQ(ScanServiceCommandLine(nullptr).action, ServiceAction::Run);
    EXPECT_EQ(ScanServiceCommandLine("---///").action, ServiceAction::Run);
    EXPECT_EQ(ScanServiceCommandLine("-").action, ServiceAction::Run);
    // A separator inside the program path is an introducer too: "/RegServer" ends the line here.
    EXPECT_EQ(ScanServiceCommandLine("C:/tools/RegServer").action, ServiceAction::Register);
}
