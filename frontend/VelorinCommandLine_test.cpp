#include "frontend/VelorinCommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Parsed {
    CommandLineError error;
    VelorinCommand command;
};

Parsed Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "ZULVelorin.exe");
    Parsed parsed{};
    parsed.error = ParseVelorinCommandLine(static_cast<int>(args.size()), args.data(), parsed.command);
    return parsed;
}

}  // namespace

TEST(VelorinCommandLine, AnyIntroducingCharacterAndAnyCaseNameTheSameKeyword) {
    for (const char* spelling : {"-Subscribe", "/Subscribe", "-SUBSCRIBE", "xsubscribe"}) {
        Parsed p = Parse({spelling, "{G}"});
        ASSERT_EQ(p.error, CommandLineError::None) << spelling;
        EXPECT_STREQ(p.command.Value(ValuedKeyword::Subscribe), "{G}");
        EXPECT_FALSE(p.command.serverMode);
    }
    // Two dashes leave "-Subscribe", which is no keyword.
    EXPECT_EQ(Parse({"--Subscribe", "{G}"}).error, CommandLineError::UnknownKeyword);
    EXPECT_EQ(Parse({""}).error, CommandLineError::UnknownKeyword);
    EXPECT_EQ(Parse({"-"}).error, CommandLineError::UnknownKeyword);
}

TEST(VelorinCommandLine, ValuedKeywordsTakeTheNextArgumentVerbatimAndARepeatKeepsTheLast) {
    Parsed p = Parse({"-Subscribe", "{A}", "-About", "/subscribe", "-RegServer", "-MainMenuUpdatedSuffix", ""});
    ASSERT_EQ(p.error, CommandLineError::None);
    // The value after a keyword is taken even when it looks like a keyword itself.
    EXPECT_STREQ(p.command.Value(ValuedKeyword::Subscribe), "-RegServer");
    EXPECT_FALSE(p.command.Has(FlagKeyword::RegServer));
    EXPECT_STREQ(p.command.Value(ValuedKeyword::MainMenuUpdatedSuffix), "");
    EXPECT_EQ(p.command.Count(FlagKeyword::About), 1u);

    p = Parse({"-Boot", "-boot", "-BOOT"});
    EXPECT_EQ(p.command.Count(FlagKeyword::Boot), 3u);
}

TEST(VelorinCommandLine, AValuedKeywordAtTheEndFailsAndLeavesNothingSet) {
    Parsed p = Parse({"-RegServer", "-Subscribe"});
    EXPECT_EQ(p.error, CommandLineError::MissingValue);
    EXPECT_FALSE(p.command.Has(FlagKeyword::RegServer));
    EXPECT_EQ(Parse({"-Unknown"}).error, CommandLineError::UnknownKeyword);
    VelorinCommand command;
    EXPECT_EQ(ParseVelorinCommandLine(0, nullptr, command), CommandLineError::NoArguments);
}

TEST(VelorinCommandLine, ServerModeWithoutArgumentsOrWithEmbedding) {
    EXPECT_TRUE(Parse({}).command.serverMode);
    EXPECT_TRUE(Parse({"-Embedding"}).command.serverMode);
    EXPECT_TRUE(Parse({"-RegServer", "/embedding"}).command.serverMode);
    EXPECT_FALSE(Parse({"-RefreshMenu"}).command.serverMode);
}
