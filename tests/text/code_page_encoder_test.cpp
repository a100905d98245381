// code_page_encoder_test.cpp - UTF-8 decoding across writes, invalid sequences, transliteration.
#include "text/code_page_encoder.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <vector>

#include "book/code_page.h"
#include "text/text_error.h"
#include "text_test_support.h"

namespace quorix {
namespace {

using test::Cp1251;

std::string Encode(std::string_view utf8, std::size_t chunk, TCodePageEncoder& encoder) {
    TStringSink out;
    TUtf8ToCodePageSink sink(encoder, out);
    for (std::size_t at = 0; at < utf8.size(); at += chunk) sink.Write(utf8.substr(at, chunk));
    sink.Finish();
    return out.Text();
}

TEST(Utf8ToCodePage, CharactersCutBetweenWritesComeOutWhole) {
    const std::string text = "Ёж — «ёлка» € A\r\nя";
    for (std::size_t chunk = 1; chunk <= 5; ++chunk) {
        TCodePageEncoder encoder("CP1251");
        EXPECT_EQ(Encode(text, chunk, encoder), Cp1251(text)) << "chunk " << chunk;
        EXPECT_EQ(encoder.ReplacedCount(), 0u);
    }
}

// Letters written with combining marks compose; what shows nothing is dropped.
TEST(Utf8ToCodePage, ComposesByNfcAndDropsWhatShowsNothing) {
    const struct {
        const char* codePage;
        std::string in, out;  // out in UTF-8
    } cases[] = {
        {"CP1251", "Ста\u0301рый ёж и\u0306 е\u0308лка", "Старый ёж й ёлка"},
        {"CP1251", "за\u00ADмок\u200B за\u200Cмок\u200D \uFEFFзамок\u2060", "замок замок замок"},
        {"CP1251", "и\u200B\u0306", "и"},  // a character between: nothing to compose with
        {"CP1252", "a\uFE0F e\u0301 x\u0301\u0301\u0301 \u0301start", "a é x start"},
        {"CP1252", "\u212B ng\u0303", "Å ng"},  // the Angstrom sign is the letter
    };
    for (const auto& c : cases) {
        for (std::size_t chunk = 1; chunk <= 5; ++chunk) {
            TCodePageEncoder encoder(c.codePage);
            EXPECT_EQ(CodePageToUtf8(Encode(c.in, chunk, encoder), c.codePage), c.out)
                << c.in << " chunk " << chunk;
            EXPECT_EQ(encoder.ReplacedCount(), 0u) << c.in;
        }
    }
}

TEST(Utf8ToCodePage, InvalidSequencesNameTheirOffset) {
    struct TCase {
        std::string bytes;
        int offset;
    } cases[] = {
        {"ab\xFF", 2},                // a byte that never starts a sequence
        {"\x80", 0},                  // a lone continuation byte
        {"\xC0\x80", 0},              // overlong NUL
        {"\xD0\xBF\xE0\x80\x80", 2},  // overlong three-byte form
        {"x\xED\xA0\x80", 1},         // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", 0},      // beyond U+10FFFF
        {"\xD0\xBF\xD0", 2},          // cut off by the end of the text
        {"\xE2\x80x", 0},             // a sequence broken by an ASCII byte
    };
    for (const TCase& c : cases) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{64}}) {
            TCodePageEncoder encoder("CP1251");
            try {
                Encode(c.bytes, chunk, encoder);
                ADD_FAILURE() << "accepted " << testing::PrintToString(c.bytes);
            } catch (const TTextError& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Invalid UTF-8 byte sequence in the source at offset " +
                              std::to_string(c.offset))
                    << testing::PrintToString(c.bytes) << " chunk " << chunk;
            }
        }
    }
}

// The first invalid offset agrees with iconv's strict UTF-8 reading on random mixes of ASCII
// runs, letters of every length and broken bytes, wherever they fall in an 8-byte word.
TEST(FindInvalidUtf8, AgreesWithIconvOnRandomText) {
    const std::vector<std::string> pieces = {
        "abcdefgh",         " ",        "Ж",   "é", "€", "😀", "\x80", "\xC0\xAF", "\xED\xA0\x80",
        "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"};
    std::mt19937 random(17);
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 24);
        for (int k = 0; k < count; ++k) {
            // Broken bytes are rarer than good ones, so that many texts are valid.
            const std::size_t pick = random() % 4 == 0 ? random() % pieces.size() : random() % 6;
            text += pieces[pick];
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = text.data();
        std::size_t left = text.size();
        std::vector<char> out(4 * text.size() + 4);
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        const bool valid = iconv(cd, &in, &left, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        const std::size_t found = FindInvalidUtf8(text);
        if (valid) {
            EXPECT_EQ(found, std::string_view::npos) << text;
        } else {
            EXPECT_EQ(found, static_cast<std::size_t>(in - text.data())) << text;
        }
    }
    iconv_close(cd);
}

TEST(CodePageEncoder, LackingCharactersAreTransliteratedOrQuestionMarks) {
    // KOI8-R has neither typographic quotes nor the dash; CP1251 has both.
    TCodePageEncoder koi8("KOI8-R");
    EXPECT_EQ(Encode("“a” — b… ß 😀 ok", 64, koi8), "\"a\" -- b... ss ? ok");
    EXPECT_EQ(koi8.ReplacedCount(), 6u);
    ASSERT_EQ(koi8.FirstReplacements().size(), 5u);
    EXPECT_EQ(koi8.FirstReplacements()[0].character, "“");
    EXPECT_EQ(koi8.FirstReplacements()[0].written, "\"");
    EXPECT_EQ(koi8.FirstReplacements()[4].character, "ß");

    TCodePageEncoder cp1251("CP1251");
    EXPECT_EQ(Encode("“a” — é 😀😀", 64, cp1251), Cp1251("“a” — ") + "e ??");
    EXPECT_EQ(cp1251.ReplacedCount(), 3u);
    // Each character is listed once.
    ASSERT_EQ(cp1251.FirstReplacements().size(), 2u);
    EXPECT_EQ(cp1251.FirstReplacements()[1].written, "?");
}

TEST(CodePageEncoder, UnknownCodePageIsNamed) {
    EXPECT_THROW(
        {
            try {
                TCodePageEncoder encoder("NO-SUCH-PAGE");
            } catch (const TTextError& e) {
                EXPECT_STREQ(e.what(), "Unknown code page NO-SUCH-PAGE");
                throw;
            }
        },
        TTextError);
}

}  // namespace
}  // namespace quorix
