#include <gtest/gtest.h>

#include "core/ByteText.h"

using namespace bytetext;

TEST(ByteText, AtoiFollowsTheCRuntime) {
    EXPECT_EQ(Atoi("12"), 12);
    EXPECT_EQ(Atoi("  -7xyz"), -7);
    EXPECT_EQ(Atoi("+3"), 3);
    EXPECT_EQ(Atoi("abc"), 0);
    EXPECT_EQ(Atoi(""), 0);
    EXPECT_EQ(Atoi("- 5"), 0);
    // Overflow wraps instead of being undefined.
    EXPECT_EQ(Atoi("4294967296"), 0);
    EXPECT_EQ(Atoi("2147483648"), INT32_MIN);
}

TEST(ByteText, TrimmingAndTheFirstOccurrenceRule) {
    EXPECT_EQ(Trim(" \t\v\f\r\nabc \r\n"), "abc");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim(std::string_view("\0x\0", 3)), std::string_view("\0x\0", 3)); // NUL is not white space

    EXPECT_TRUE(FoundAfterStart("x ERR", "ERR"));
    EXPECT_FALSE(FoundAfterStart("ERR x", "ERR"));
    EXPECT_FALSE(FoundAfterStart("ERR again ERR", "ERR")); // only the first occurrence counts
    EXPECT_FALSE(FoundAfterStart("anything", ""));
    EXPECT_FALSE(FoundAfterStart("x err", "ERR"));
    EXPECT_EQ(LowerAscii("AbC\xC4Z"), "abc\xC4z"); // only A-Z change
}
