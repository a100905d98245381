// xml_armor_test.cpp - armored documents read as the documents themselves, only faster.
#include "text/xml_armor.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/byte_sink.h"
#include "text/code_page_encoder.h"
#include "text/fb2_reader.h"
#include "text/text_error.h"
#include "text/text_lines.h"
#include "text_test_support.h"

namespace quorix {
namespace {

// Gives at most `most` bytes per read, so that every construct is cut somewhere.
class TDribblingReader : public TByteReader {
  public:
    TDribblingReader(std::string_view bytes, std::size_t most) : bytes_(bytes), most_(most) {}
    std::size_t Read(char* buffer, std::size_t count) override {
        const std::size_t n = std::min({count, most_, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, n, buffer);
        at_ += n;
        return n;
    }
    void Rewind() override { at_ = 0; }

  private:
    std::string_view bytes_;
    std::size_t most_;
    std::size_t at_ = 0;
};

struct TRead {
    bool failed = false;
    std::string text, notes, title;
};

const TCodePageEncoder& Cp1251Encoder() {
    static const TCodePageEncoder encoder("CP1251");
    return encoder;
}

TRead ReadBook(std::string_view document, bool armor, std::size_t readSize = 1 << 20) {
    TRead read;
    TStringSink text, notes;
    TTextLines textLines(text), notesLines(notes);
    const TCodePageEncoder* codePage = armor ? &Cp1251Encoder() : nullptr;
    try {
        TDribblingReader reader(document, readSize);
        TBookInfo info = ReadFb2(reader, &textLines, &notesLines, codePage);
        textLines.Finish();
        notesLines.Finish();
        read.title = info.title;
    } catch (const TTextError&) {
        read.failed = true;
        return read;
    }
    read.text = DisarmedUtf8(text.Text(), codePage);
    read.notes = DisarmedUtf8(notes.Text(), codePage);
    return read;
}

bool IsArmored(std::string_view document) {
    TMemoryReader reader(document);
    return OpenXmlInput(reader, &Cp1251Encoder()).armored;
}

std::string Book(std::string_view body,
                 std::string_view declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") {
    return std::string(declaration) +
           "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\"><description>"
           "<title-info><book-title>Маяк «№1»</book-title></title-info></description><body>" +
           std::string(body) +
           "</body><body name=\"notes\"><p>Примечание ✓</p></body></FictionBook>";
}

// The escape of `c` as the format is written down: by its code-page byte where there is one.
std::string EscapeOf(char32_t c) {
    const int byte = Cp1251Encoder().ByteOf(c);
    std::string escape(1, static_cast<char>(kArmorMark));
    if (c == kArmorMark) return escape + kArmorDel;
    if (byte >= 0xC0) return escape + kArmorSymbols[byte - 0xC0];
    if (byte >= 0x80) return escape + kArmorLowHalf + kArmorSymbols[byte - 0x80];
    escape.clear();
    AppendArmor(c, escape);
    return escape;
}

TEST(XmlArmor, EscapesStandForEveryCharacterAndHoldNoMarkup) {
    for (char32_t c :
         {char32_t{0x7F}, char32_t{0x80}, char32_t{0x410}, char32_t{0x44F}, char32_t{0x451},
          char32_t{0xAB}, char32_t{0x7FF}, char32_t{0x800}, char32_t{0x2014}, char32_t{0xFFFD},
          char32_t{0x10000}, char32_t{0x1F600}, char32_t{0x10FFFF}}) {
        const std::string escape = EscapeOf(c);
        bool cut = true;
        const auto* bytes = reinterpret_cast<const unsigned char*>(escape.data());
        const TArmorUnit unit = ReadArmor(bytes, escape.size(), cut);
        EXPECT_FALSE(cut);
        ASSERT_EQ(unit.length, escape.size()) << escape;
        const int byte = Cp1251Encoder().ByteOf(c);
        if (unit.byte >= 0) {
            EXPECT_EQ(unit.byte, byte) << escape;
        } else {
            EXPECT_EQ(unit.c, c) << escape;
        }
        ReadArmor(bytes, escape.size() - 1, cut);
        EXPECT_TRUE(cut) << escape;
        EXPECT_EQ(escape.find_first_of(" \t\r\n<>&\"']", 1), std::string::npos) << escape;
    }
    const std::string text =
        "a\x7F"
        "b Привет — 😀 \x7F";
    std::string armored;
    AppendArmored(text, armored);
    EXPECT_EQ(DisarmedUtf8(armored, nullptr), text);
    EXPECT_EQ(DisarmedUtf8(EscapeOf(U'ж') + EscapeOf(U'«'), &Cp1251Encoder()), "ж«");
    EXPECT_EQ(DisarmedUtf8("x\x7F", nullptr), "x\x7F");  // a cut escape stays DEL
}

// A book declared in windows-1251 and written so; "@@" stands for 0x98, which it leaves undefined.
std::string Cp1251Book(std::string_view body) {
    std::string document = Book(body, "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n");
    document.replace(document.find("✓"), std::string_view("✓").size(), "!");
    document = test::Cp1251(document);
    for (std::size_t at = document.find("@@"); at != std::string::npos; at = document.find("@@"))
        document.replace(at, 2, "\x98");
    return document;
}

TEST(XmlArmor, OnlyUtf8Xml10WithoutDoctypeIsArmored) {
    EXPECT_TRUE(IsArmored(Book("<p>Да</p>")));
    EXPECT_TRUE(IsArmored("\xEF\xBB\xBF" + Book("<p>Да</p>")));
    EXPECT_TRUE(IsArmored(Book("<p>Да</p>", "<!-- «» --><?pi ?>\n")));
    EXPECT_TRUE(IsArmored(Book("<p>Да</p>", "<?xml version='1.0' encoding='utf-8'?>")));
    EXPECT_TRUE(IsArmored(Cp1251Book("<p>Да</p>")));  // the build's code page itself
    EXPECT_FALSE(IsArmored(Book("<p>Да</p>", "<?xml version=\"1.0\" encoding=\"koi8-r\"?>")));
    // iconv takes this name for windows-1251; the parser refuses it.
    EXPECT_FALSE(
        IsArmored(Book("<p>Да</p>", "<?xml version=\"1.0\" encoding=\"windows-1251\x06\"?>")));
    EXPECT_FALSE(IsArmored("\xEF\xBB\xBF" + Cp1251Book("<p>Да</p>")));
    EXPECT_FALSE(IsArmored(Book("<p>Да</p>", "<?xml version=\"1.1\"?>")));
    EXPECT_FALSE(IsArmored(Book("<p>Да</p>", "<!DOCTYPE FictionBook [<!ENTITY e \"э\">]>")));
    EXPECT_FALSE(IsArmored(std::string(70 * 1024, ' ') + Book("<p>Да</p>", "")));
}

// Documents that take every path of the armoring, each read both ways: the same text, the
// same title, or a failure both times.
TEST(XmlArmor, ArmoredReadingEqualsPlainReading) {
    const std::vector<std::string> documents = {
        Book("<section><title><p>Глава первая</p></title><p>Привет, <emphasis>мир</emphasis>!</p>"
             "<p>ΑΒΓ çà — “quotes” 😀 ✓</p></section>"),
        Book("<p>CDATA: <![CDATA[«в скобках» ]] ] > &amp; ъ]]> после</p>"),
        Book("<p>до<!-- комментарий -- - ы --> после<?pi значение ?> конец</p>"),
        Book("<p>DEL: \x7F и &#127; &#x7F; &#x7f; &#0127; &#1103; &#x44F; &#x1F600; &amp;lt;</p>"),
        Book("<p a=\"атрибут > &#127; ы\" b='одинарные \" кавычки'>текст</p><имя>ещё</имя>"),
        Book("<p>\xEF\xBF\xBE nope</p>"),      // U+FFFE is no XML character
        Book("<p>broken \xD0 utf-8</p>"),      // a cut sequence
        Book("<p>broken \xC0\xAF utf-8</p>"),  // an overlong one
        Book("<p>unclosed <emphasis>ё</p>"),   // not well-formed
        Book("<p>Да</p>", "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"),
        Book("<p>&e; и \x7F</p>", "<!DOCTYPE FictionBook [<!ENTITY e \"эй\x7F\">]>"),
        Cp1251Book(
            "<section><title><p>Глава</p></title><p a=\"атрибут «» &#127;\" b='ё'>Привет — "
            "«мир» №1 ё\x7F &#1103; &#x1F600; €</p><имя ключ=\"я\">ещё</имя><!-- ком-мент -->"
            "<?pi значение ?><p><![CDATA[«ы» ]] ]]></p></section>"),
        Cp1251Book("<p>undefined @@ byte</p>"),
        Book("<p>Да</p>", "<?xml version=\"1.0\" encoding=\"windows-1251\x06\"?>"),
        Cp1251Book("<p@@>undefined byte in a name</p@@>"),
        Cp1251Book("<p>undefined in a comment <!-- @@ --></p>"),
    };
    for (const std::string& document : documents) {
        const TRead plain = ReadBook(document, false);
        for (std::size_t readSize : {1, 2, 3, 5, 64 * 1024}) {
            const TRead armored = ReadBook(document, true, readSize);
            EXPECT_EQ(armored.failed, plain.failed) << document;
            EXPECT_EQ(armored.text, plain.text) << document;
            EXPECT_EQ(armored.notes, plain.notes) << document;
            EXPECT_EQ(armored.title, plain.title) << document;
        }
    }
    const TRead read = ReadBook(documents[3], true);
    EXPECT_EQ(read.text, "DEL: \x7F и \x7F \x7F \x7F \x7F я я 😀 &lt;\r");
    EXPECT_EQ(read.title, "Маяк «№1»");
}

// Long random books, so that escapes, references and markup fall on every chunk boundary.
TEST(XmlArmor, RandomBooksReadTheSameBothWays) {
    const std::vector<std::string> pieces = {"ё",
                                             "Ж",
                                             "ω",
                                             "—",
                                             "€",
                                             "😀",
                                             "a",
                                             "b c",
                                             " ",
                                             "\n",
                                             "\x7F",
                                             "&#127;",
                                             "&#1046;",
                                             "&amp;",
                                             "<emphasis>ш é</emphasis>",
                                             "</p><p>",
                                             "<![CDATA[ы]]>",
                                             "<!--ъ-->",
                                             "<empty-line/>",
                                             "</p><title><p>Т</p></title><p>"};
    std::mt19937 random(7);
    for (int book = 0; book < 8; ++book) {
        // Every other book in windows-1251, of the pieces it can hold.
        const bool cp1251 = book % 2 == 1;
        std::string body = "<section><p>";
        while (body.size() < 200 * 1024) {
            const std::string& piece = pieces[random() % pieces.size()];
            const bool lacked =
                piece == "ω" || piece == "😀" || piece.find("é") != std::string::npos;
            if (!cp1251 || !lacked) body += piece;
        }
        const std::string document =
            cp1251 ? Cp1251Book(body + "</p></section>") : Book(body + "</p></section>");
        ASSERT_TRUE(IsArmored(document));
        const TRead plain = ReadBook(document, false);
        ASSERT_FALSE(plain.failed);
        const TRead armored = ReadBook(document, true, 1 + random() % 70000);
        EXPECT_EQ(armored.text, plain.text);
        EXPECT_EQ(armored.notes, plain.notes);
    }
}

// The code page gets the same bytes from armored text cut anywhere as from plain UTF-8.
TEST(XmlArmor, CodePageSinkDecodesEscapesCutAnywhere) {
    const std::string plain = "Съешь же ещё этих «мягких» булок — \x7F 😀 ok";
    std::string armored;
    for (std::size_t i = 0; i < plain.size();) {
        const auto lead = static_cast<unsigned char>(plain[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (plain[i + k] & 0x3F);
        armored += c < kArmorMark ? std::string(1, static_cast<char>(c)) : EscapeOf(c);
        i += length;
    }
    TCodePageEncoder encoder("CP1251");
    TStringSink whole;
    TUtf8ToCodePageSink direct(encoder, whole);
    direct.Write(plain);
    direct.Finish();
    for (std::size_t cut = 0; cut <= armored.size(); ++cut) {
        for (std::size_t second = cut; second <= armored.size(); second += 3) {
            TStringSink out;
            TUtf8ToCodePageSink sink(encoder, out, 0, TUtf8Form::armored);
            sink.Write(armored.substr(0, cut));
            sink.Write(armored.substr(cut, second - cut));
            sink.Write(armored.substr(second));
            sink.Finish();
            ASSERT_EQ(out.Text(), whole.Text()) << cut << " " << second;
        }
    }
    EXPECT_EQ(whole.Text().substr(0, 4), test::Cp1251("Съеш"));
}

}  // namespace
}  // namespace quorix
