// line_joiner_test.cpp - the Text command's line joining, in memory and on disk.
#include "tools/line_joiner.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "tool_test_files.h"

namespace quorix {
namespace {

using namespace std::string_literals;
using testing::ReadFile;
using testing::TScratchDir;
using testing::WriteFile;

TEST(JoinChars, HoldsExactlyTheListedValues) {
    std::string members;
    for (int c = 0; c < 256; ++c) {
        if (JoinChars.Contains(static_cast<unsigned char>(c))) {
            members += static_cast<char>(c);
        }
    }
    std::string expected = "!\"',.0123456789?";
    for (int c = 'A'; c <= 'z'; ++c) {
        expected += static_cast<char>(c);
    }
    for (int c = 192; c <= 255; ++c) {
        expected += static_cast<char>(c);
    }
    EXPECT_EQ(members, expected);
}

struct JoinCase {
    const char* name;
    std::string input;
    std::string output;
};

class JoinLinesExamples : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinLinesExamples, InMemoryAndOnDiskAgree) {
    const JoinCase& c = GetParam();
    EXPECT_EQ(JoinLines(c.input), c.output);

    TScratchDir dir;
    WriteFile(dir / "a.txt", c.input);
    WriteJoinedLines(dir / "a.txt");
    EXPECT_EQ(ReadFile(dir / "a.txt.txt"), c.output);
    EXPECT_EQ(ReadFile(dir / "a.txt"), c.input) << "the input stays as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, JoinLinesExamples,
    ::testing::Values(JoinCase{"WrappedLineJoinedBySpace", "Hello,\r\nworld", "Hello, world"},
                      JoinCase{"SpaceAfterBreakKeepsCR", "end.\r\n  Next", "end.\r  Next"},
                      JoinCase{"EmptyLineGivesTwoCRs", "xa\r\n\r\nb", "xa\r\rb"},
                      JoinCase{"TwoJoinsInARow", "xa\r\nb\r\nc", "xa b c"},
                      JoinCase{"BreakAtTheStartStays", "\r\nab\r\ncd", "\r\nab cd"},
                      JoinCase{"BreakAtTheEndStays", "ab\r\ncd\r\n", "ab cd\r\n"},
                      JoinCase{"Empty", "", ""},
                      // The CR at position 2 is the first one a pair can shorten.
                      JoinCase{"BreakAfterOneByte", "a\r\nb", "a b"},
                      JoinCase{"LoneLFAndLoneCRStay", "a\nb\rc", "a\nb\rc"},
                      // Cyrillic letters join; the angle quote and the hyphen do not.
                      JoinCase{"CyrillicJoins", "\xC0\r\n\xFF", "\xC0 \xFF"},
                      JoinCase{"AngleQuoteDoesNotJoin", "a\xBB\r\nb", "a\xBB\rb"},
                      JoinCase{"HyphenDoesNotJoin", "a-\r\nb", "a-\rb"},
                      JoinCase{"ThreeBreaksInARow", "a\r\n\r\n\r\nb", "a\r\r\rb"},
                      JoinCase{"ZeroBytesKept", "a\0\r\n\0b"s, "a\0\r\0b"s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteJoinedLines, ReplacesAnExistingOutput) {
    TScratchDir dir;
    WriteFile(dir / "a.txt", "x\r\ny");
    WriteFile(dir / "a.txt.txt", std::string(100, 'z'));
    WriteJoinedLines(dir / "a.txt");
    EXPECT_EQ(ReadFile(dir / "a.txt.txt"), "x y");
}

TEST(WriteJoinedLines, MissingInputRaisesNamingItAndWritesNothing) {
    TScratchDir dir;
    try {
        WriteJoinedLines(dir / "missing.txt");
        FAIL() << "no error raised";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(e.what()).find((dir / "missing.txt").string()), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt.txt"));
}

TEST(WriteJoinedLines, UnwritableOutputRaisesNamingIt) {
    TScratchDir dir;
    WriteFile(dir / "a.txt", "x");
    std::filesystem::create_directory(dir /
                                      "a.txt.txt");  // a directory cannot be created as a file
    try {
        WriteJoinedLines(dir / "a.txt");
        FAIL() << "no error raised";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create file " + (dir / "a.txt.txt").string()),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace quorix
