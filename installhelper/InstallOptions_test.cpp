#include "installhelper/InstallOptions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ParsedOptions Parse(std::vector<const char*> words) {
    words.insert(words.begin(), "TYInstallHelper.exe");
    return ParseInstallOptions(static_cast<int>(words.size()), words.data());
}

TEST(InstallOptions, WordsSkipTheirFirstCharacterAndIgnoreCase) {
    const ParsedOptions parsed = Parse({"-gamegui", "/KILLZULM", "xScroll", "+NoKSInst", "-GameGUI",
                                        "/Title", "My Game", "-html", "page.htm", "-GameName", "ignored"});
    ASSERT_EQ(parsed.outcome, OptionsOutcome::Accepted);
    EXPECT_EQ(parsed.options.gameGui, 2);
    EXPECT_TRUE(parsed.options.killZulm);
    EXPECT_TRUE(parsed.options.scroll);
    EXPECT_TRUE(parsed.options.noKsInst);
    EXPECT_EQ(parsed.options.title, "My Game");
    EXPECT_EQ(parsed.options.html, "page.htm");
    // A value is taken as it stands, even when it looks like an option word.
    EXPECT_EQ(Parse({"-Title", "-KillZULM"}).options.title, "-KillZULM");
    EXPECT_FALSE(Parse({"-Title", "-KillZULM"}).options.killZulm);
    EXPECT_EQ(Parse({}).outcome, OptionsOutcome::Accepted);
}

TEST(InstallOptions, BadLinesGiveTheirCodes) {
    EXPECT_EQ(Parse({"GameGUI"}).outcome, OptionsOutcome::UnknownWord);  // "ameGUI"
    EXPECT_EQ(Parse({"-GameGUI2"}).outcome, OptionsOutcome::UnknownWord);
    EXPECT_EQ(Parse({""}).outcome, OptionsOutcome::UnknownWord);
    EXPECT_EQ(Parse({"-GameGUI", "-GameName"}).outcome, OptionsOutcome::MissingValue);
    EXPECT_EQ(ParseInstallOptions(0, nullptr).outcome, OptionsOutcome::NoArguments);
}

}  // namespace
