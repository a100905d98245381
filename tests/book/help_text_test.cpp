// help_text_test.cpp - help templates, their filling and help.dat.
#include "book/help_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"

namespace quorix {
namespace {

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\r', from)) != std::string_view::npos; from = at + 1) {
        lines.emplace_back(text.substr(from, at - from));
    }
    lines.emplace_back(text.substr(from));
    return lines;
}

TEST(HelpText, TemplatesHaveNineteenCrLinesAndFivePlaceholders) {
    for (HelpLanguage language : {kHelpRussian, kHelpEnglish}) {
        std::string_view t = THelpText::Template(language);
        std::vector<std::string> lines = Lines(t);
        ASSERT_EQ(lines.size(), 19u);
        EXPECT_EQ(lines[0], "Quorix Reader 2.0");
        EXPECT_EQ(lines[17], "");
        EXPECT_EQ(lines[18], "www.kelvatrone.com, support@kelvatrone.com");
        EXPECT_EQ(t.find('\n'), std::string_view::npos);
        std::size_t count = 0;
        for (std::size_t at = t.find(kPlaceholder); at != std::string_view::npos;
             at = t.find(kPlaceholder, at + 1)) {
            ++count;
        }
        EXPECT_EQ(count, 5u);
        // The digit 8 only appears in the vendor line.
        EXPECT_EQ(std::string_view(t).substr(0, t.rfind('\r')).find('8'), std::string_view::npos);
        EXPECT_TRUE(std::all_of(t.begin(), t.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 32 || c == '\r';
        }));
    }
    EXPECT_EQ(Lines(THelpText::Template(kHelpEnglish))[15],
              "*, 0, #, right, down - go to next page");
    EXPECT_EQ(THelpText::Template(7), THelpText::Template(kHelpRussian));
}

TEST(HelpText, RussianTemplateIsWindows1251) {
    std::vector<std::string> lines = Lines(THelpText::Template(kHelpRussian));
    // "Книга: " and "Клавиши:" in Windows-1251.
    EXPECT_EQ(lines[2], "\xCA\xED\xE8\xE3\xE0: ####Info");
    EXPECT_EQ(lines[6], "\xCA\xEB\xE0\xE2\xE8\xF8\xE8:");
    // Nineteen lines of one byte per character, joined by 18 CRs.
    EXPECT_EQ(THelpText::Template(kHelpRussian).size(), 520u);
}

TEST(HelpText, SizesRoundHalfUpToOneDecimal) {
    struct Case {
        std::uintmax_t bytes;
        const char* text;
    } cases[] = {{0, "0.0"},    {51, "0.0"},    {52, "0.1"},     {256, "0.3"},
                 {768, "0.8"},  {1280, "1.3"},  {89950, "87.8"}, {250000, "244.1"},
                 {1023, "1.0"}, {10188, "9.9"}, {10189, "10.0"}};
    for (const Case& c : cases) EXPECT_EQ(FormatKilobytes(c.bytes, '.'), c.text) << c.bytes;
    EXPECT_EQ(FormatKilobytes(250000, ','), "244,1");
}

TEST(HelpText, FillsTheFivePlaceholdersInOrder) {
    std::string filled =
        THelpText::Fill(THelpText::Template(kHelpEnglish), "Tales", 250000, 1, 3, 89950, '.');
    std::vector<std::string> lines = Lines(filled);
    EXPECT_EQ(lines[2], "Book: Tales");
    EXPECT_EQ(lines[4], "Total book size: 244.1 kb, part (1 of 3) size: 87.8 kb.");
    filled = THelpText::Fill(THelpText::Template(kHelpEnglish), "", 250000, 1, 3, 89950, ',');
    EXPECT_EQ(Lines(filled)[2], "Book: ");
    EXPECT_EQ(Lines(filled)[4], "Total book size: 244,1 kb, part (1 of 3) size: 87,8 kb.");
    filled = THelpText::Fill(THelpText::Template(kHelpRussian), "x", 250000, 1, 3, 89950, '.');
    EXPECT_EQ(Lines(filled)[4],
              "\xCE\xE1\xF9\xE8\xE9 \xF0\xE0\xE7\xEC\xE5\xF0 \xEA\xED\xE8\xE3\xE8: 244.1 "
              "\xEA\xE1\xE0\xE9\xF2, \xD0\xE0\xE7\xEC\xE5\xF0 \xF7\xE0\xF1\xF2\xE8 (1 \xE8\xE7 3): "
              "87.8 \xEA\xE1\xE0\xE9\xF2.");
}

TEST(HelpText, PlaceholderTextInTheInfoStaysAsTyped) {
    std::string filled =
        THelpText::Fill(THelpText::Template(kHelpEnglish), "see ####Info", 1024, 2, 5, 512, '.');
    std::vector<std::string> lines = Lines(filled);
    EXPECT_EQ(lines[2], "Book: see ####Info");
    EXPECT_EQ(lines[4], "Total book size: 1.0 kb, part (2 of 5) size: 0.5 kb.");
    filled = THelpText::Fill(THelpText::Template(kHelpEnglish), "####info", 0, 1, 1, 0, '.');
    EXPECT_EQ(Lines(filled)[2], "Book: ####info");
}

TEST(HelpText, HelpDatIsTheTextWithItsLengthFirst) {
    test::TTempDir dir;
    TMemoryLog log;
    std::string text(300, 'h');
    THelpText::Write(text, dir.Path(), log);
    std::string file = test::ReadFile(dir.Path() / "help.dat");
    EXPECT_EQ(file, std::string("\0\0\x01\x2C", 4) + text);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0],
              "Create file " + (dir.Path() / "help.dat").string() + ", size 304 bytes");
}

}  // namespace
}  // namespace quorix
