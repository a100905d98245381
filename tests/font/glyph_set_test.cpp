// glyph_set_test.cpp - which byte values get a glyph.
#include "font/glyph_set.h"

#include <gtest/gtest.h>

#include <string>

namespace quorix {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int j = 0; j < 256; ++j) bytes.push_back(static_cast<char>(j));
    return bytes;
}

TEST(GlyphSetTest, DropsOneToThirtyOneAndKeepsZeroAndEveryOtherByte) {
    TGlyphSet set;
    set.Add(AllBytes());
    set.DropControlBytes();
    EXPECT_TRUE(set.Contains(0));
    for (int j = 1; j < 32; ++j) EXPECT_FALSE(set.Contains(j)) << j;
    for (int j = 32; j < 256; ++j) EXPECT_TRUE(set.Contains(j)) << j;
}

TEST(GlyphSetTest, TakesOnlyTheBytesThatOccur) {
    TGlyphSet set;
    set.Add(std::string("Ab\r\n\t\x7F\xC0\xFF", 8));
    set.DropControlBytes();
    for (int j = 0; j < 256; ++j) {
        bool expected = j == 'A' || j == 'b' || j == 0x7F || j == 0xC0 || j == 0xFF;
        EXPECT_EQ(set.Contains(j), expected) << j;
    }
    EXPECT_FALSE(set.Contains(-1));
    EXPECT_FALSE(set.Contains(256));
}

// The part's text, the help template and the filled help all add up: a digit
// that only the filled-in numbers hold still gets a glyph.
TEST(GlyphSetTest, AccumulatesTheFilledHelpAndClearStartsOver) {
    TGlyphSet set;
    set.Add("Text of the part.\r\n");
    set.Add("Part ####PartN of ####PartC\r\n");
    EXPECT_FALSE(set.Contains('8'));
    EXPECT_FALSE(set.Contains(0xA9));
    set.Add("Part 8 of 18.4\r\n\xA9 Kelvatrone");
    set.DropControlBytes();
    EXPECT_TRUE(set.Contains('8'));
    EXPECT_TRUE(set.Contains(0xA9));
    EXPECT_TRUE(set.Contains('#'));
    set.Clear();
    for (int j = 0; j < 256; ++j) EXPECT_FALSE(set.Contains(j)) << j;
}

}  // namespace
}  // namespace quorix
