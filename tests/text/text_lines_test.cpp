// text_lines_test.cpp - whitespace folding, empty lines before titles, long paragraphs.
#include "text/text_lines.h"

#include <gtest/gtest.h>

namespace quorix {
namespace {

TEST(TextLines, FoldsSpacesAndKeepsOneEmptyLineBeforeTitles) {
    TStringSink out;
    TTextLines lines(out);
    lines.BreakLine();  // nothing to keep apart yet
    lines.BlankBeforeNext();
    lines.Text("  Title \n ");
    lines.EndLine();
    lines.Text("a\t\tb ");
    lines.Text(" c");
    lines.EndLine();
    lines.EndLine();  // an empty paragraph adds nothing
    lines.BreakLine();
    lines.BlankBeforeNext();  // the empty line is already there
    lines.Text("Next");
    lines.Finish();
    EXPECT_EQ(out.Text(), "Title\ra b c\r\rNext\r");
}

TEST(TextLines, LongParagraphIsPassedOnWhole) {
    std::string words;
    for (int i = 0; i < 30000; ++i) words += "word ";
    TStringSink out;
    TTextLines lines(out);
    lines.Text(words);
    lines.Text(words);
    lines.Finish();
    std::string expected = words + words;
    expected.back() = '\r';
    EXPECT_EQ(out.Text(), expected);
}

}  // namespace
}  // namespace quorix
