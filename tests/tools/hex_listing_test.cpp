// hex_listing_test.cpp - the Hex listing, byte for byte, in memory and on disk.
#include "tools/hex_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <system_error>

#include "tool_test_files.h"

namespace quorix {
namespace {

using testing::ReadFile;
using testing::TScratchDir;
using testing::WriteFile;

std::string Bytes(int from, int to) {
    std::string bytes;
    for (int b = from; b <= to; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

struct HexCase {
    const char* name;
    std::string input;
    std::string listing;
};

class HexListingExamples : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexListingExamples, InMemoryAndOnDiskAgree) {
    const HexCase& c = GetParam();
    EXPECT_EQ(HexListing(c.input), c.listing);

    TScratchDir dir;
    WriteFile(dir / "book.class", c.input);
    WriteHexListing(dir / "book.class");
    EXPECT_EQ(ReadFile(dir / "book.class.imp"), c.listing);
    EXPECT_EQ(ReadFile(dir / "book.class"), c.input) << "the input stays as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, HexListingExamples,
    ::testing::Values(
        HexCase{"ThreeBytes", "ABC", "  array [1..3] of byte = (  $41,$42,$43\r\n);\r\n"},
        HexCase{"Empty", "", "  array [1..0] of byte = ();\r\n"},
        HexCase{"TwentyBytesOneLine", Bytes(0, 19),
                "  array [1..20] of byte = (  $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,"
                "$0C,$0D,$0E,$0F,$10,$11,$12,$13\r\n);\r\n"},
        HexCase{"TwentyOneBytesSecondLineStartsWithComma", Bytes(0, 20),
                "  array [1..21] of byte = (  $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,"
                "$0C,$0D,$0E,$0F,$10,$11,$12,$13\r\n  ,$14\r\n);\r\n"},
        HexCase{"UpperCaseDigits", "\xFF\x0A\xab",
                "  array [1..3] of byte = (  $FF,$0A,$AB\r\n);\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexListing, LongFileHasTwentyItemsPerLineAndOneHeader) {
    std::string input;
    for (int i = 0; i < 1000; ++i) {
        input += static_cast<char>(i * 7);
    }
    const std::string listing = HexListing(input);
    ASSERT_TRUE(listing.starts_with("  array [1..1000] of byte = (  $00,$07,"));
    ASSERT_TRUE(listing.ends_with(",$51\r\n);\r\n"));  // byte 999 * 7 mod 256
    std::size_t lines = 0;
    for (std::size_t at = listing.find("\r\n"); at != std::string::npos;
         at = listing.find("\r\n", at + 2)) {
        ++lines;
    }
    EXPECT_EQ(lines, 1000 / 20 + 1);
    EXPECT_EQ(listing.find("\r\n  ,$8C,"), listing.find("\r\n")) << "line 2 starts at item 21";
}

TEST(WriteHexListing, ReplacesAnExistingOutput) {
    TScratchDir dir;
    WriteFile(dir / "a.bin", "\x01");
    WriteFile(dir / "a.bin.imp", std::string(5000, 'x'));
    WriteHexListing(dir / "a.bin");
    EXPECT_EQ(ReadFile(dir / "a.bin.imp"), "  array [1..1] of byte = (  $01\r\n);\r\n");
}

TEST(WriteHexListing, MissingInputRaisesNamingItAndWritesNothing) {
    TScratchDir dir;
    try {
        WriteHexListing(dir / "missing.bin");
        FAIL() << "no error raised";
    } catch (const std::system_error& e) {
        EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(e.what()).find((dir / "missing.bin").string()), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.bin.imp"));
}

TEST(WriteHexListing, DirectoryAsInputRaises) {
    TScratchDir dir;
    std::filesystem::create_directory(dir / "sub");
    EXPECT_THROW(WriteHexListing(dir / "sub"), std::runtime_error);
}

}  // namespace
}  // namespace quorix
