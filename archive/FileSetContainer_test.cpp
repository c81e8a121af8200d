#include "archive/FileSetContainer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kDelim = kFileSetDelimiter;

ZULError Find(const std::string& block, FileSetCabinetSpan* span) {
    return FindFileSetCabinet(reinterpret_cast<const unsigned char*>(block.data()), block.size(), span);
}

std::string Cabinet(const std::string& block, const FileSetCabinetSpan& s) {
    return block.substr(s.offset, s.length);
}

}  // namespace

TEST(FileSetContainer, FindsBothCabinetsOfAnArchive) {
    const std::string block = "any prefix" + kDelim + "MSCFdescription" + kDelim + "MSCFpayload";
    FileSetCabinetSpan first;
    ASSERT_EQ(Find(block, &first), ZULERR_SUCCESS);
    EXPECT_EQ(Cabinet(block, first), "MSCFdescription");

    // The payload search starts right after the description cabinet.
    const std::string rest = block.substr(first.offset + first.length);
    FileSetCabinetSpan second;
    ASSERT_EQ(Find(rest, &second), ZULERR_SUCCESS);
    EXPECT_EQ(Cabinet(rest, second), "MSCFpayload");
    EXPECT_EQ(first.offset + first.length + second.offset + second.length, block.size());

    // With one cabinet only, nothing is left to find.
    const std::string tail = rest.substr(second.offset + second.length);
    EXPECT_EQ(Find(tail, &second), ZULERR_NOT_FOUND);
}

TEST(FileSetContainer, ACabinetEndsAtTheNextDelimiterAndTheRestIsIgnored) {
    const std::string block = kDelim + "MSCF" + kDelim + "MSCFx" + kDelim + "junk";
    FileSetCabinetSpan span;
    ASSERT_EQ(Find(block, &span), ZULERR_SUCCESS);
    EXPECT_EQ(span.offset, kFileSetDelimiterLength);
    EXPECT_EQ(span.length, 4u);
}

TEST(FileSetContainer, RejectsMissingDelimiterAndMissingSignature) {
    FileSetCabinetSpan span;
    EXPECT_EQ(Find("", &span), ZULERR_NOT_FOUND);
    EXPECT_EQ(Find(kDelim.substr(0, 30), &span), ZULERR_NOT_FOUND);
    // A delimiter with its last byte changed is no delimiter.
    EXPECT_EQ(Find(kDelim.substr(0, 30) + "X" + "MSCF", &span), ZULERR_NOT_FOUND);
    EXPECT_EQ(Find(kDelim + "MSCX....", &span), ZULERR_PARSE_ERROR);
    // A delimiter at the very end, or followed by fewer than four bytes.
    EXPECT_EQ(Find(kDelim, &span), ZULERR_PARSE_ERROR);
    EXPECT_EQ(Find(kDelim + "MSC", &span), ZULERR_PARSE_ERROR);
    EXPECT_EQ(FindFileSetCabinet(nullptr, 0, &span), ZULERR_INVALID_ARGUMENT);
}

TEST(FileSetContainer, TheFirstCompleteMatchWins) {
    // A partial delimiter overlapping a real one must not hide it.
    const std::string block = "ZUL_FILSET_" + kDelim + "MSCFdata";
    FileSetCabinetSpan span;
    ASSERT_EQ(Find(block, &span), ZULERR_SUCCESS);
    EXPECT_EQ(span.offset, 11 + kFileSetDelimiterLength);
    EXPECT_EQ(span.length, 8u);
}
