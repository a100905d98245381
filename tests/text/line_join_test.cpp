// line_join_test.cpp - the streaming joiner against the Text command's own results.
#include "text/line_join.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "text/code_page_encoder.h"
#include "tools/line_joiner.h"

namespace quorix {
namespace {

std::string Stream(std::string_view text, std::size_t chunk, bool lfIsCrLf) {
    TLineJoiner joiner(lfIsCrLf);
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += chunk)
        joiner.Feed(text.substr(at, chunk), out);
    joiner.Finish(out);
    return out;
}

TEST(LineJoiner, StreamGivesTheTextCommandsResultForAnyChunking) {
    const std::string texts[] = {
        "Hello,\r\nworld", "end.\r\n  Next",      "xa\r\n\r\nb",
        "xa\r\nb\r\nc",    "\r\nab\r\n",          "\r\n\r\n\r\n",
        "a\r\nb",          "Привет\r\nмир\r\n-x", "",
    };
    for (const std::string& text : texts) {
        for (std::size_t chunk = 1; chunk <= 4; ++chunk) {
            EXPECT_EQ(Stream(text, chunk, false), JoinLines(text))
                << testing::PrintToString(text) << " chunk " << chunk;
        }
    }
}

TEST(LineJoiner, LoneLineFeedsCountAsCrLf) {
    struct TCase {
        std::string in, out;
    } cases[] = {
        {"age\nof wisdom.\n\nNext", "age of wisdom.\r\rNext"},
        {"mixed\r\nand\nlone\rCR", "mixed and lone\rCR"},
        {"\nstart", "\r\nstart"},  // a break before any text is kept, as CR LF
        {"end.\n", "end.\r\n"},
    };
    for (const TCase& c : cases) {
        for (std::size_t chunk = 1; chunk <= 3; ++chunk) {
            EXPECT_EQ(Stream(c.in, chunk, true), c.out) << testing::PrintToString(c.in);
        }
    }
}

// Lines of Pride and Prejudice, Emma and the GNU GPL as their files hold them.
TEST(JoinParagraphs, BreaksStayOnlyWhereParagraphsEnd) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"It is a truth universally acknowledged, that a single man in possession\n"
         "of a good fortune, must be in want of a wife.\n\nHowever little known",
         "It is a truth universally acknowledged, that a single man in possession of a good "
         "fortune, must be in want of a wife.\r\rHowever little known"},
        {"shut. \"I do not know how you will ever make him amends for his kindness;\n"
         "or me, either, for that matter. At our time of life it is not so\n"
         "could have imagined that we should receive an invitation to dine there\n"
         "(an invitation, moreover, including the whole party) so immediately\n",
         "shut. \"I do not know how you will ever make him amends for his kindness; or me, "
         "either, for that matter. At our time of life it is not so could have imagined that we "
         "should receive an invitation to dine there (an invitation, moreover, including the "
         "whole party) so immediately\r"},
        // Indented throughout, CR LF: the same.
        {"    It is a truth universally acknowledged, that a single man in possession\r\n"
         "    of a good fortune, must be in want of a wife.\r\n",
         "    It is a truth universally acknowledged, that a single man in possession of a good "
         "fortune, must be in want of a wife.\r"},
        // A heading, and a verse block among prose lines.
        {"CHAPTER I\nEmma Woodhouse, handsome, clever, and rich, with a comfortable home\n"
         "and happy disposition, seemed to unite some of the best blessings\n\n"
         "    My first doth affliction denote,\n      Which my second is destin'd to feel\n"
         "    And my whole is the best antidote\n      That affliction to soften and heal.--\n",
         "CHAPTER I\rEmma Woodhouse, handsome, clever, and rich, with a comfortable home and "
         "happy disposition, seemed to unite some of the best blessings\r\r"
         "    My first doth affliction denote,\r      Which my second is destin'd to feel\r"
         "    And my whole is the best antidote\r      That affliction to soften and heal.--\r"},
        // List items, and a number that only continues a sentence.
        {"  You may convey a work based on the Program, or the modifications to\n"
         "produce it from the Program, in the form of source code under the\n"
         "terms of section 4, provided that you also meet all of these conditions:\n"
         "    a) The work must carry prominent notices stating that you modified\n"
         "    it, and giving a relevant date.\n"
         "    b) The work must carry prominent notices stating that it is\n"
         "    released under this License and any conditions added under section\n"
         "    7.  This requirement modifies the requirement in section 4 to\n",
         "  You may convey a work based on the Program, or the modifications to produce it from "
         "the Program, in the form of source code under the terms of section 4, provided that "
         "you also meet all of these conditions:\r"
         "    a) The work must carry prominent notices stating that you modified it, and giving a "
         "relevant date.\r"
         "    b) The work must carry prominent notices stating that it is released under this "
         "License and any conditions added under section 7.  This requirement modifies the "
         "requirement in section 4 to\r"},
        // A hyphen goes where the word stands whole elsewhere.
        {"Today it was a kind well-\nbred man who came to-\nday and spoke of the weather\n",
         "Today it was a kind well-bred man who came today and spoke of the weather\r"},
    };
    TCodePageEncoder cp1251("CP1251");
    for (const auto& c : cases) {
        EXPECT_EQ(JoinParagraphs(c.in, cp1251), c.out) << c.in;
    }
}

// The whole GPL as Debian ships it: no kept break falls inside a sentence.
TEST(JoinParagraphs, NoBreakBeforeASmallLetterInTheGpl) {
    const std::string gpl = test::ReadFile("/usr/share/common-licenses/GPL-3");
    const std::string joined = JoinParagraphs(gpl, TCodePageEncoder("CP1252"));
    std::size_t paragraphs = 0;
    for (std::size_t at = joined.find('\r'); at != std::string::npos;
         at = joined.find('\r', at + 1)) {
        const std::size_t next = joined.find_first_not_of(' ', at + 1);
        if (next == std::string::npos || joined[next] == '\r') continue;
        ++paragraphs;
        const bool item = joined[next + 1] == ')';  // "a) ", a list item
        EXPECT_FALSE(joined[next] >= 'a' && joined[next] <= 'z' && !item)
            << joined.substr(at + 1, 60);
    }
    EXPECT_GT(paragraphs, 100u);
}

}  // namespace
}  // namespace quorix
