// code_page_test.cpp - conversions between UTF-8 and single-byte code pages.
#include "book/code_page.h"

#include <gtest/gtest.h>

#include "book/book_error.h"
#include "text/text_error.h"

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
    EXPECT_THROW(CheckCodePage("NO-SUCH-CODE-PAGE"), TTextError);
}

TEST(CodePage, OnlySingleByteCodePagesThatKeepAscii) {
    for (const char* good : {"CP1251", "KOI8-R", "CP866", "ISO-8859-1", "CP1258", "CP1252"}) {
        EXPECT_NO_THROW(CheckSingleByteCodePage(good)) << good;
    }
    for (const char* bad : {"UTF-8", "UTF-16", "UTF-32", "IBM037", "SHIFT_JIS", "GBK", "EUC-JP",
                            "ISO-2022-JP", "UTF-7"}) {
        try {
            CheckSingleByteCodePage(bad);
            ADD_FAILURE() << bad << " accepted";
        } catch (const TBookError& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("Code page \"") + bad +
                          "\" is not a single-byte code page that keeps ASCII");
        }
    }
    // The message names the code page asked for, not the encoding it is checked through.
    for (auto check : {CheckCodePage, CheckSingleByteCodePage}) {
        try {
            check("NO-SUCH-CODE-PAGE");
            ADD_FAILURE() << "an unknown code page accepted";
        } catch (const TTextError& e) {
            EXPECT_STREQ(e.what(), "Unknown code page NO-SUCH-CODE-PAGE");
        }
    }
}

TEST(CodePage, ConvertsBetweenCodePagesReplacingWhatIsMissing) {
    // "Книга" from Windows-1251 into KOI8-R, then into Latin-1, which lacks it.
    EXPECT_EQ(ConvertCodePage("\xCA\xED\xE8\xE3\xE0 1.", "CP1251", "KOI8-R", '?'),
              "\xEB\xCE\xC9\xC7\xC1 1.");
    EXPECT_EQ(ConvertCodePage("\xCA\xED \xA9", "CP1251", "ISO-8859-1", '?'), "?? \xA9");
    const std::string all = [] {
        std::string s;
        for (int b = 0; b < 256; ++b)
            if (b != 0x98) s += static_cast<char>(b);
        return s;
    }();
    EXPECT_EQ(ConvertCodePage(all, "CP1251", "CP1251", '?'), all);
}

}  // namespace
}  // namespace quorix
