// reader_font_test.cpp - font.dat read the reader's way, damaged files included.
#include "preview/reader_font.h"

#include <gtest/gtest.h>

#include "preview_test_support.h"

namespace quorix::preview {
namespace {

using test::FontDat;
using test::TBytes;
using test::Widths;

TEST(ReaderFont, ReadsRecordsAndClearsRowsBelowTheHeight) {
    std::array<int, 256> widths = Widths(3);
    widths['W'] = 7;
    const TReaderFont font(FontDat(13, widths, 0xFFFF));
    EXPECT_EQ(font.Height(), 13);
    EXPECT_EQ(font.Width('W'), 7);
    EXPECT_EQ(font.Width('a'), 3);
    EXPECT_EQ(font.Width('\r'), 0);
    EXPECT_EQ(font.Column('W', 6), 0x1FFF);  // rows 13 to 15 carry no ink
    EXPECT_EQ(TReaderFont(FontDat(16, widths, 0xFFFF)).Column('a', 0), 0xFFFF);
}

TEST(ReaderFont, ByteValuesWithoutARecordUseByteZeros) {
    std::array<int, 256> widths = Widths(2);
    widths[0] = 5;
    TBytes dat = FontDat(10, widths, 0x0001);
    // Cut inside the record of 'B': bytes from 'B' on have none of their own.
    // Header, byte 0's record, 31 empty ones, then 5 bytes for each byte value from 32 on.
    const std::size_t recordOfB = 3 + (1 + 5 * 2) + 31 + ('B' - 32) * (1 + 2 * 2);
    dat.resize(recordOfB + 3);
    const TReaderFont font(dat);
    EXPECT_EQ(font.Width('A'), 2);
    EXPECT_EQ(font.Width('B'), 5);
    EXPECT_EQ(font.Width(255), 5);
}

TEST(ReaderFont, ATableSizeTooSmallStopsAtTheRecordThatDoesNotFit) {
    TBytes dat = FontDat(10, Widths(4), 0x0001);
    // Room for the records of bytes 0 to 32 only: 32 empty ones and the blank's 5 entries.
    const int table = 32 + 5 + 1;
    dat[1] = 0;
    dat[2] = static_cast<std::uint8_t>(table);
    const TReaderFont font(dat);
    EXPECT_EQ(font.Width(' '), 4);
    EXPECT_EQ(font.Width('!'), 0);  // byte 0's record
}

TEST(ReaderFont, MissingOrEmptyFileGivesNoGlyphs) {
    for (const TBytes& dat : {TBytes{}, TBytes{13}, TBytes{13, 1}}) {
        const TReaderFont font(dat);
        EXPECT_EQ(font.Width('a'), 0);
    }
    EXPECT_EQ(TReaderFont().Height(), 0);
}

TEST(ReaderFont, RecordsPastTheShortRangeAbortThePaint) {
    // Glyphs 200 columns wide: from byte 164 on, a record starts past entry 32767, where the
    // reader's short offset turns negative.
    std::array<int, 256> widths{};
    widths.fill(200);
    TBytes dat = FontDat(10, widths, 1);
    dat[1] = 0xFF;  // the table size as the reader reads it, unsigned: room for every record
    dat[2] = 0xFE;
    const TReaderFont font(dat);
    EXPECT_EQ(font.Width(163), 200);
    EXPECT_THROW(font.Width(164), TPaintAborted);
}

}  // namespace
}  // namespace quorix::preview
