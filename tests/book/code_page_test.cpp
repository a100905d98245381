// code_page_test.cpp - conversions between UTF-8 and single-byte code pages.
#include "book/code_page.h"

#include <gtest/gtest.h>

#include "book/book_error.h"

namespace quorix {
namespace {

TEST(CodePage, ByteToCharacter) {
    EXPECT_EQ(CodePageChar(0xCA, "CP1251"), U'\u041A');  // Cyrillic Ka
    EXPECT_EQ(CodePageChar(0xA9, "CP1251"), U'\u00A9');
    EXPECT_EQ(CodePageChar('A', "CP1251"), U'A');
    EXPECT_EQ(CodePageChar(0x98, "CP1251"), std::nullopt);  // left undefined
    // Code pages with combining marks hold plain letters back until flushed.
    EXPECT_EQ(CodePageChar('a', "CP1258"), U'a');
}

TEST(CodePage, RoundTripAndRefusals) {
    EXPECT_EQ(Utf8ToCodePage("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0", "CP1251"),
              "\xCA\xED\xE8\xE3\xE0");
    EXPECT_EQ(CodePageToUtf8("\xCA\xED\xE8\xE3\xE0", "CP1251"),
              "\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0");
    EXPECT_EQ(CodePageToUtf8("a\x98z", "CP1251"), "a\xEF\xBF\xBDz");
    EXPECT_THROW(Utf8ToCodePage("\xE4\xB8\xAD", "CP1251"), TBookError);
    EXPECT_THROW(CheckCodePage("NO-SUCH-CODE-PAGE"), TBookError);
}

}  // namespace
}  // namespace quorix
