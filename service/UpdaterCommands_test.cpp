#include "service/UpdaterCommands.h"

#include <gtest/gtest.h>

using namespace UpdaterCommands;

TEST(UpdaterCommands, RegisterLineEndsWithTheDistributionIdentifierOnlyWhenOneIsStored) {
    const std::string head =
        "-registerapp ZULManager -applongname \"Tessary ZUL Manager\" -appexe \"\" "
        "-apppath \"C:\\Program Files\\Tessary\" -updateurl \"http://u.example\" -downloadtype 1 "
        "-updatetype 3 -verifytype 2 -updateinterval 15000";
    EXPECT_EQ(RegisterLine("C:\\Program Files\\Tessary", "http://u.example", std::nullopt), head);
    EXPECT_EQ(RegisterLine("C:\\Program Files\\Tessary", "http://u.example", std::string("P 7")),
              head + " -distid \"P 7\"");
    // An empty stored identifier is still an identifier.
    EXPECT_EQ(RegisterLine("C:\\Program Files\\Tessary", "http://u.example", std::string()), head + " -distid \"\"");
}

TEST(UpdaterCommands, LeavingUsesTheOtherTypesAndNoIdentifier) {
    EXPECT_EQ(LeaveLine("D:\\T", "http://u"),
              "-registerapp ZULManager -applongname \"Tessary ZUL Manager\" -appexe \"\" -apppath \"D:\\T\" "
              "-updateurl \"http://u\" -downloadtype 1 -updatetype 1 -verifytype 1 -updateinterval 15000");
    EXPECT_EQ(EnableLine(), " -enableupdates ZULManager");
    EXPECT_EQ(DisableLine(), " -disableupdates ZULManager");
    EXPECT_EQ(UnregisterLine(), " -unregisterapp ZULManager");
}

TEST(UpdaterCommands, InformationFileHasNoLineEndAfterTheIdentifier) {
    EXPECT_EQ(AppInfoText(std::nullopt), "");
    EXPECT_EQ(AppInfoText(std::string("{491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}")),
              "[appinfo.dat]\nMachineGuid={491DAF3F-7C1E-2006-73A7-AE0ED8B87D68}");
}
