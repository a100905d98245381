// line_join_test.cpp - the streaming joiner against the Text command's own results.
#include "text/line_join.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorix
