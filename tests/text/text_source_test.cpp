// text_source_test.cpp - format and encoding choice, conversion reports, failures, book names.
#include "text/text_source.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include "builder/book_source.h"
#include "test_support.h"
#include "text/text_error.h"
#include "text_test_support.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;
using test::Cp1251;
using test::Fixture;

TTextOptions Options(const char* encoding, bool join = false) {
    TTextOptions options;
    options.encoding = encoding;
    options.joinLines = join;
    return options;
}

TEST(DetectFormat, ByContentAndByExtension) {
    test::TTempDir dir;
    test::WriteFile(dir.Path() / "book.txt", test::ReadFile(Fixture("book_utf8.fb2")));
    test::WriteFile(dir.Path() / "book.bin", test::ReadFile(Fixture("book2.epub")));
    test::WriteFile(dir.Path() / "notes.fb2", "<not-fb2/>");
    EXPECT_EQ(DetectFormat(dir.Path() / "book.txt"), TSourceFormat::Fb2);
    EXPECT_EQ(DetectFormat(dir.Path() / "book.bin"), TSourceFormat::Epub);
    EXPECT_EQ(DetectFormat(dir.Path() / "notes.fb2"), TSourceFormat::Fb2);
    EXPECT_EQ(DetectFormat(Fixture("book_utf8.fb2.zip")), TSourceFormat::Fb2Zip);
    EXPECT_EQ(DetectFormat(Fixture("malformed.epub")), TSourceFormat::Epub);
    EXPECT_EQ(DetectFormat(Fixture("ru_utf8.txt")), TSourceFormat::Text);
    EXPECT_EQ(DetectFormat(dir.Path() / "missing.txt"), TSourceFormat::Text);
}

// Only a text that says what it is, or is valid UTF-8, is converted under "auto".
TEST(ConvertedSource, AutoLeavesCodePageTextsInPlace) {
    test::TTempDir dir;
    const fs::path ascii = dir.Path() / "ascii.txt", cp = dir.Path() / "cp.txt";
    test::WriteFile(ascii, "Plain ASCII.\r\n");
    test::WriteFile(cp, Cp1251("Привет. Мир!"));
    for (const fs::path& path : {ascii, cp}) {
        TConvertedSource source = TConvertedSource::Open(path, Options("auto"), dir.Path());
        EXPECT_FALSE(source.Converted()) << path;
        EXPECT_EQ(source.Path(), path);
        EXPECT_TRUE(source.Report().empty());
    }
    // Naming the build's own code page is the same as saying nothing.
    EXPECT_FALSE(TConvertedSource::Open(cp, Options("WINDOWS-1251"), dir.Path()).Converted());
    // A missing source is left for the part reader to report.
    EXPECT_FALSE(
        TConvertedSource::Open(dir.Path() / "none", Options("auto"), dir.Path()).Converted());
}

// A Russian text in a legacy code page other than the build's stays the code page's bytes
// under "auto", byte for byte, and the log names the page it looks like and the option that
// reads it so; a text of the build's own page gets no such word.
TEST(ConvertedSource, AutoHintsAtOtherCyrillicCodePages) {
    test::TTempDir dir;
    const std::string text = test::ReadFile(Fixture("ru_utf8.txt"));
    const auto recode = [&](const std::string& text, const std::string& to, const char* from) {
        iconv_t cd = iconv_open(to.c_str(), from);
        std::string in = text, out(text.size() * 4, '\0');
        char *inPtr = in.data(), *outPtr = out.data();
        std::size_t inLeft = in.size(), outLeft = out.size();
        EXPECT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
        iconv_close(cd);
        return out.substr(0, out.size() - outLeft);
    };
    const std::pair<const char*, const char*> kCases[] = {
        {"KOI8-R", "KOI8-R"}, {"CP866", "IBM866"}, {"ISO-8859-5", "ISO-8859-5"}, {"CP1251", ""}};
    for (const auto& [encoding, looksLike] : kCases) {
        const fs::path path = dir.Path() / encoding;
        const std::string bytes = recode(text, std::string(encoding) + "//TRANSLIT", "UTF-8");
        test::WriteFile(path, bytes);
        EXPECT_EQ(ConvertedTextStart(path, Options("auto"), 100000), bytes) << encoding;
        TConvertedSource source = TConvertedSource::Open(path, Options("auto"), dir.Path());
        EXPECT_FALSE(source.Converted()) << encoding;
        const std::vector<std::string> hint =
            *looksLike == 0
                ? std::vector<std::string>{}
                : std::vector<std::string>{std::string("The text looks like ") + looksLike +
                                           "; to read it so, use --source-encoding "
                                           "detect"};
        EXPECT_EQ(source.Report(), hint) << encoding;
        TTextOptions own = Options("auto");
        own.codePage = encoding;
        EXPECT_TRUE(TConvertedSource::Open(path, own, dir.Path()).Report().empty()) << encoding;
    }
}

// UTF-8 for a long way and then a byte that is not: the whole text is the code page's bytes,
// though its start was already being converted; joined, the same bytes are joined; nothing of
// the abandoned conversion stays in the work directory.
TEST(ConvertedSource, AutoTakesALateInvalidByteForTheCodePage) {
    test::TTempDir dir, work;
    std::string text;
    while (text.size() < 3 * 1024 * 1024) text += "Строка текста в UTF-8.\r\n";
    text += Cp1251("И конец: ");  // a Windows-1251 byte sequence at the very end
    const fs::path path = dir.Path() / "late.txt";
    test::WriteFile(path, text);

    TConvertedSource plain = TConvertedSource::Open(path, Options("auto"), work.Path());
    EXPECT_FALSE(plain.Converted());
    EXPECT_EQ(plain.Path(), path);
    EXPECT_TRUE(plain.Report().empty());
    EXPECT_TRUE(fs::is_empty(work.Path()));

    TConvertedSource joined = TConvertedSource::Open(path, Options("auto", true), work.Path());
    ASSERT_TRUE(joined.Converted());
    const std::string bytes = test::ReadFile(joined.Path());
    EXPECT_EQ(bytes.substr(bytes.size() - 8), Cp1251("И конец:"));  // the line's end trimmed
    EXPECT_EQ(bytes.substr(0, 6), "\xD0\xA1\xD1\x82\xD1\x80");      // UTF-8 bytes kept as they are
    ASSERT_EQ(joined.Report().size(), 1u);
    EXPECT_EQ(joined.Report()[0].find("Source text read as text in CP1251"), 0u)
        << joined.Report()[0];

    // The window's view of the start agrees with the build.
    EXPECT_EQ(ConvertedTextStart(path, Options("auto"), 6), "\xD0\xA1\xD1\x82\xD1\x80");
}

TEST(ConvertedSource, ReportsHowItReadAndWhatItReplaced) {
    test::TTempDir dir;
    fs::path converted;
    {
        TConvertedSource source =
            TConvertedSource::Open(Fixture("typography_utf8.txt"), Options("auto"), dir.Path());
        ASSERT_TRUE(source.Converted());
        converted = source.Path();
        EXPECT_EQ(converted.parent_path(), dir.Path());
        EXPECT_EQ(
            test::ReadFile(converted),
            Cp1251("“Quoted” text — with a dash… and € sign. Smile ? please! Zwolf Apfel.\r\n"));
        EXPECT_EQ(source.Report(),
                  (std::vector<std::string>{
                      "Source text read as UTF-8 text: 71 bytes in code page CP1251",
                      "Replaced 3 characters that code page CP1251 lacks: \"😀\" as \"?\", \"ö\" "
                      "as \"o\", \"Ä\" as \"A\""}));
    }
    EXPECT_FALSE(fs::exists(converted));
}

TEST(ConvertedSource, DeclaredEncodingsRefuseBytesTheyCannotHold) {
    test::TTempDir dir;
    const fs::path bom = dir.Path() / "bom.txt", named = dir.Path() / "named.txt",
                   wide = dir.Path() / "wide.txt";
    test::WriteFile(bom,
                    "\xEF\xBB\xBF"
                    "abc\xFF");
    test::WriteFile(named, "Привет\xC3(");
    test::WriteFile(wide, std::string("a\0\0\xD8"
                                      "b\0",
                                      6));  // a surrogate without its pair
    struct TCase {
        fs::path path;
        const char* encoding;
        const char* message;
    } cases[] = {
        {bom, "auto", "Invalid UTF-8 byte sequence in the source at offset 6"},
        {named, "UTF-8", "Invalid UTF-8 byte sequence in the source at offset 12"},
        {wide, "UTF-16LE", "Invalid byte sequence for encoding UTF-16LE in the source at offset 2"},
        {named, "NO-SUCH", "Unknown source encoding NO-SUCH"},
    };
    for (const TCase& c : cases) {
        try {
            TConvertedSource::Open(c.path, Options(c.encoding), dir.Path());
            ADD_FAILURE() << c.encoding << " accepted";
        } catch (const TTextError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        // Nothing is left behind by the failed conversion.
        for (const auto& e : fs::directory_iterator(dir.Path())) {
            EXPECT_EQ(e.path().filename().string().rfind(".quorix", 0), std::string::npos);
        }
    }
}

TEST(ConvertedTextStart, GivesTheFirstBytesOfWhatTheBuildReads) {
    EXPECT_EQ(ConvertedTextStart(Fixture("ru_utf8_bom.txt"), Options("auto"), 12),
              Cp1251("Привет, мир!"));
    EXPECT_EQ(ConvertedTextStart(Fixture("book_utf8.fb2"), Options("auto"), 1000).substr(0, 16),
              Cp1251("Повести Белкина\r"));
    EXPECT_EQ(ConvertedTextStart(Fixture("en_wrapped.txt"), Options("auto", true), 80),
              "It was the best of times, it was the worst of times, it was the age of wisdom, i");
}

// Every way into the code page composes letters, drops what shows nothing and ends lines
// with CR.
TEST(ConvertedTextStart, EveryPathReadsTheSameLettersAndLineEnds) {
    const std::string fb2 =
        "<?xml version=\"1.0\" encoding=\"%s\"?><FictionBook><body>"
        "<p>%s</p><p>line</p></body></FictionBook>";
    const auto book = [&](const char* encoding, const std::string& text) {
        std::string b = fb2;
        b.replace(b.find("%s"), 2, encoding);
        return b.replace(b.find("%s"), 2, text);
    };
    const std::string words = "Ста\u0301рый ёж и\u0306 за\u00ADмок\u200B\uFEFF";
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Cta\xAD\nline")) utf16 += std::string{c, '\0'};  // Latin-1 as is
    const struct {
        const char* name;
        std::string bytes, shown;
    } cases[] = {
        {"a.txt", words + "\nline\r\n\r\n", Cp1251("Старый ёж й замок\rline\r\n\r\n")},
        {"b.txt", "Plain.\n\nline\r\n", "Plain.\r\rline\r\n"},
        {"c.txt", Cp1251("Ёж.\nline\r"), Cp1251("Ёж.\rline\r")},
        {"d.txt", utf16, "Cta\rline"},
        {"e.fb2", book("UTF-8", words), Cp1251("Старый ёж й замок\rline\r")},
        {"f.fb2", book("windows-1251", Cp1251("за") + "\xAD" + Cp1251("мо&#769;к")),
         Cp1251("замок\rline\r")},
    };
    test::TTempDir dir;
    for (const auto& c : cases) {
        test::WriteFile(dir.Path() / c.name, c.bytes);
        EXPECT_EQ(ConvertedTextStart(dir.Path() / c.name, Options("auto"), 100), c.shown) << c.name;
    }
    // A book's paragraphs are lines already: joining leaves them.
    EXPECT_EQ(ConvertedTextStart(dir.Path() / "e.fb2", Options("auto", true), 100), cases[4].shown);
}

TEST(ReadBookInfo, TitleAndAuthorsOfBooksOnly) {
    TBookInfo fb2 = ReadBookInfo(Fixture("book_cp1251.fb2"));
    EXPECT_EQ(fb2.title, "Повести, или рассказы / том 1");
    EXPECT_EQ(fb2.authors, (std::vector<std::string>{"Иван Петрович Белкин", "Аноним"}));
    TBookInfo epub = ReadBookInfo(Fixture("book3.epub"));
    EXPECT_EQ(epub.title, "Записки & очерки");
    EXPECT_EQ(epub.authors, std::vector<std::string>{"Антон Чехов"});
    EXPECT_TRUE(ReadBookInfo(Fixture("ru_utf8.txt")).title.empty());
    EXPECT_TRUE(ReadBookInfo(Fixture("malformed.epub")).title.empty());
}

TEST(BookNameFromTitle, MadeValidForTheBuild) {
    struct TCase {
        std::string title, name;
    } cases[] = {
        {"Война и мир", "Война и мир"},
        {"A/B\\C, D", "A B C D"},
        {"  tabs\tand\nlines  ", "tabs and lines"},
        {"Smile 😀", "Smile"},  // its "?" is no file name on a memory card
        {"Nettle: a library", "Nettle- a library"},
        {"What? \"A*B\" <x> | y:z", "What A B x - y-z"},
        {"Zwölf", "Zwolf"},
        {"..", ""},
        {"", ""},
        {std::string(250, 'x'), std::string(200, 'x')},
        // 150 Cyrillic letters are 150 bytes in the code page but 300 in UTF-8.
        {[] {
             std::string s;
             for (int i = 0; i < 150; ++i) s += "ж";
             return s;
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 100; ++i) s += "ж";
             return s;
         }()},
    };
    for (const TCase& c : cases) {
        std::string name = BookNameFromTitle(c.title, "CP1251");
        EXPECT_EQ(name, c.name) << c.title;
    }
}

}  // namespace
}  // namespace quorix
