// book_text_build_test.cpp - whole builds from UTF-8, UTF-16, KOI8-R, wrapped, FB2 and EPUB
// sources: the parts, glyphs and help page hold exactly the converted text.
#include <gtest/gtest.h>
#include <zip.h>

#include <array>
#include <string>
#include <vector>

#include "builder/book_builder.h"
#include "book/help_text.h"
#include "test_support.h"
#include "text_test_support.h"

namespace quorix {
namespace {
namespace fs = std::filesystem;
using test::Cp1251;
using test::Fixture;

const std::string kRussian =
    "Привет, мир! Это первая строка книги.\r\n"
    "Ёжик шёл по лесу. Вторая строка?\r\n"
    "Третья строка — последняя!\r\n";

const std::string kKoi8 =
    "Мороз и солнце; день чудесный! Ещё ты дремлешь, друг прелестный. Пора, красавица, "
    "проснись: открой сомкнуты негой взоры навстречу северной Авроры, звездою севера явись! "
    "Вечор, ты помнишь, вьюга злилась, на мутном небе мгла носилась; луна, как бледное пятно, "
    "сквозь тучи мрачные желтела, и ты печальная сидела. А нынче погляди в окно: под голубыми "
    "небесами великолепными коврами, блестя на солнце, снег лежит.\r\n";

// Wrapped lines joined; the line before "* * *" and the empty line stay breaks (CR).
const std::string kJoined =
    "It was the best of times, it was the worst of times, it was the age of wisdom, it was the "
    "age of foolishness.\r\r  * * *\rThere were a king with a large jaw and a queen with a plain "
    "face, on the throne of England.\r";

const std::string kFb2 =
    "Повести Белкина\r"
    "Эпиграф книги.\r"
    "Автор эпиграфа\r"
    "\r"
    "Глава 1\r"
    "Выстрел\r"
    "Мы стояли в местечке N. Жизнь армейского офицера известна.[1]\r"
    "\r"
    "* * *\r"
    "Утром он уехал!\r"
    "\r"
    "Буря мглою небо кроет,\r"
    "Вихри снежные крутя.\r"
    "\r"
    "То, как зверь, она завоет.\r"
    "\r"
    "1\r"
    "Примечание первое.\r";

const std::string kEpub =
    "Глава\u00A0первая\r"
    "Первый абзац — с тире.\r"
    "Второй\r"
    "абзац.\r"
    "\r"
    "Глава вторая\r"
    "Раз.\r"
    "Два!\r"
    "Текст с выделением и ссылкой.\r"
    "Конец «книги».\r"
    "A B\r";

struct TBuildCase {
    const char* fixture;
    const char* encoding;
    bool joinLines;
    std::string expected;  // UTF-8; every character is in CP1251
    const char* jarBase;   // the book name the build takes
    const char* info;      // the information text on the help page
};

const TBuildCase kCases[] = {
    {"ru_utf8.txt", "auto", false, kRussian, "ReadMe", "i"},
    {"ru_utf8_bom.txt", "auto", false, kRussian, "ReadMe", "i"},
    {"ru_utf16le.txt", "auto", false, kRussian, "ReadMe", "i"},
    {"ru_koi8r.txt", "KOI8-R", false, kKoi8, "ReadMe", "i"},
    {"ru_koi8r.txt", "detect", false, kKoi8, "ReadMe", "i"},
    {"en_wrapped.txt", "auto", true, kJoined, "ReadMe", "i"},
    {"en_wrapped_lf.txt", "auto", true, kJoined, "ReadMe", "i"},
    {"book_utf8.fb2", "auto", false, kFb2, "Повести или рассказы том 1",
     "Иван Петрович Белкин, Аноним. Повести, или рассказы / том 1"},
    {"book_cp1251.fb2", "auto", false, kFb2, "Повести или рассказы том 1",
     "Иван Петрович Белкин, Аноним. Повести, или рассказы / том 1"},
    {"book_utf8.fb2.zip", "auto", false, kFb2, "Повести или рассказы том 1",
     "Иван Петрович Белкин, Аноним. Повести, или рассказы / том 1"},
    {"book2.epub", "auto", false, kEpub, "Записки & очерки", "Антон Чехов. Записки & очерки"},
    {"book3.epub", "auto", false, kEpub, "Записки & очерки", "Антон Чехов. Записки & очерки"},
};

std::string Entry(zip_t* archive, const char* name) {
    zip_stat_t info;
    EXPECT_EQ(zip_stat(archive, name, 0, &info), 0) << name;
    std::string bytes(info.size, '\0');
    zip_file_t* file = zip_fopen(archive, name, 0);
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(zip_fread(file, bytes.data(), bytes.size()), static_cast<zip_int64_t>(info.size));
    zip_fclose(file);
    return bytes;
}

struct TPartFiles {
    std::string book, help, font;
};

// The data files of every part, read back from the JARs in the order the log made them.
std::vector<TPartFiles> ReadParts(const fs::path& midlets, const std::vector<std::string>& log) {
    std::vector<TPartFiles> parts;
    const std::string prefix = "Create midlet ";
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) != 0) continue;
        std::string jar = line.substr(prefix.size(), line.find(".jar, size ") - prefix.size());
        int error = 0;
        zip_t* archive = zip_open((midlets / (jar + ".jar")).c_str(), ZIP_RDONLY, &error);
        EXPECT_NE(archive, nullptr) << jar;
        if (archive == nullptr) continue;
        parts.push_back(
            {Entry(archive, "book.dat"), Entry(archive, "help.dat"), Entry(archive, "font.dat")});
        zip_discard(archive);
    }
    return parts;
}

std::array<int, 256> GlyphWidths(const std::string& font) {
    std::array<int, 256> widths{};
    std::size_t at = 3;
    for (int j = 0; j < 256 && at < font.size(); ++j) {
        widths[j] = static_cast<unsigned char>(font[at]);
        at += 1 + 2 * widths[j];
    }
    return widths;
}

class TextBuild : public ::testing::TestWithParam<TBuildCase> {};

TEST_P(TextBuild, PartsGlyphsAndHelpHoldTheConvertedText) {
    const TBuildCase& c = GetParam();
    test::TTempDir dir;
    TBuildSettings settings;
    settings.sourcePath = Fixture(c.fixture).string();
    settings.font.face = "DejaVu Sans";
    settings.partSizeText = "160";
    settings.helpLanguage = kHelpEnglish;
    settings.sourceEncoding = c.encoding;
    settings.joinLines = c.joinLines;
    settings.infoText = "i";
    settings.bookNameFromSource = true;  // plain texts name nothing: the name stays
    settings.infoFromSource = true;
    TMemoryLog log;
    ASSERT_TRUE(TBookBuilder({dir.Path(), dir.Path()}).Run(settings, log)) << log.Lines().back();

    const std::string expected = Cp1251(c.expected);
    std::vector<TPartFiles> parts = ReadParts(dir.Path() / "midlets", log.Lines());
    ASSERT_FALSE(parts.empty());
    EXPECT_TRUE(fs::exists(dir.Path() / "midlets" /
                           (std::string(c.jarBase) + (parts.size() > 1 ? "1" : "") + ".jar")));
    std::string all;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::string text = parts[k].book.substr(4);
        all += text;
        if (k + 1 < parts.size()) {
            EXPECT_NE(std::string_view(".?!").find(text.back()), std::string_view::npos)
                << "part " << k + 1 << " is not cut at a sentence end";
        }
        const std::string help =
            THelpText::Fill(THelpText::Template(kHelpEnglish), Cp1251(c.info), expected.size(),
                            k + 1, parts.size(), text.size(), LocaleDecimalSeparator());
        EXPECT_EQ(parts[k].help.substr(4), help) << "part " << k + 1;
        std::array<int, 256> widths = GlyphWidths(parts[k].font);
        for (unsigned char b : text) {
            if (b >= 32) {
                EXPECT_GT(widths[b], 0) << "no glyph for byte " << int(b);
            }
        }
    }
    EXPECT_EQ(all, expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TextBuild, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = std::string(info.param.fixture) + "_" + info.param.encoding;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
});

// A code-page text is read as it is: the parts are its own bytes and nothing is logged about it.
TEST(TextBuildPlain, CodePageSampleIsReadUnchanged) {
    test::TTempDir dir;
    TBuildSettings settings;
    settings.sourcePath = (fs::path(QUORIX_SOURCE_DIR) / "samples" / "russian.txt").string();
    settings.font.face = "DejaVu Sans";
    settings.partSizeText = "4000";
    TMemoryLog log;
    ASSERT_TRUE(TBookBuilder({dir.Path(), dir.Path()}).Run(settings, log));
    std::string all;
    for (const TPartFiles& part : ReadParts(dir.Path() / "midlets", log.Lines())) {
        all += part.book.substr(4);
    }
    EXPECT_EQ(all, test::ReadFile(settings.sourcePath));
    for (const std::string& line : log.Lines())
        EXPECT_EQ(line.find("Source text"), std::string::npos);
}

TEST(TextBuildFailure, BadSourcesFailWithTheirMessage) {
    struct TCase {
        const char* fixture;
        const char* message;
    } cases[] = {
        {"malformed.epub", "The EPUB book is malformed: OEBPS/content.opf is not well-formed XML"},
        {"missing.epub",
         "The EPUB book is malformed: its spine names OEBPS/Text/ch3.xhtml, which it does not "
         "hold"},
        {"drm.epub", "The EPUB book is protected by DRM (encrypted content); it can not be read"},
    };
    for (const TCase& c : cases) {
        test::TTempDir dir;
        TBuildSettings settings;
        settings.sourcePath = Fixture(c.fixture).string();
        settings.font.face = "DejaVu Sans";
        TMemoryLog log;
        EXPECT_FALSE(TBookBuilder({dir.Path(), dir.Path()}).Run(settings, log));
        EXPECT_EQ(log.Lines().back(), std::string(kMsgProcessFailed) + c.message);
        EXPECT_FALSE(fs::exists(dir.Path() / "midlets"));  // read before any directory is made
        // The converted text's file goes with the build.
        for (const auto& e : fs::directory_iterator(dir.Path())) {
            EXPECT_EQ(e.path().filename().string().rfind(".quorix-source", 0), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace quorix
