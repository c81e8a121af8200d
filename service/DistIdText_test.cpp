#include "service/DistIdText.h"

#include <gtest/gtest.h>

#include "common/CommaList.h"

TEST(DistIdText, TrailingLineEndsAndTabsGoSpacesStay) {
    EXPECT_EQ(TrimDistIdText("ABC123\r\n"), "ABC123");
    EXPECT_EQ(TrimDistIdText("  ABC 123  \r\n\t\r\n"), "  ABC 123  ");
    EXPECT_EQ(TrimDistIdText("\r\nX"), "\r\nX");
    EXPECT_EQ(TrimDistIdText("\r\n\t"), "");
    EXPECT_EQ(TrimDistIdText(""), "");
}

TEST(CommaList, EmptyPiecesAreSkippedAndBlanksKept) {
    using List = std::vector<std::string>;
    EXPECT_EQ(SplitCommaList("{A},,{B},"), (List{"{A}", "{B}"}));
    EXPECT_EQ(SplitCommaList(",A,,B,"), (List{"A", "B"}));
    EXPECT_EQ(SplitCommaList(" A , B"), (List{" A ", " B"}));
    EXPECT_EQ(SplitCommaList(""), List{});
    EXPECT_EQ(SplitCommaList(",,,"), List{});
    EXPECT_EQ(SplitCommaList("single"), List{"single"});
}
