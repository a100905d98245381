// font_rasterizer_test.cpp - glyph strip, width table, limits and font.dat.
#include "font/font_rasterizer.h"

#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "book/book_error.h"
#include "font/font_dat.h"
#include "font/font_lookup.h"
#include "test_support.h"
#include "text/text_error.h"

// fontconfig loses a few bytes once while parsing its configuration files;
// that is its own, not ours, and would fail every sanitised run.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace quorix {
namespace {

namespace fs = std::filesystem;

// font.dat read back the way the reader reads it, record by record.
struct TParsedFont {
    int height = -1;
    int tableSize = -1;
    std::array<int, 256> widths{};
    std::array<std::vector<std::uint16_t>, 256> columns;
};

TParsedFont ParseFontDat(const std::string& bytes) {
    TParsedFont font;
    std::size_t pos = 0;
    auto byte = [&]() -> int {
        if (pos >= bytes.size()) throw std::runtime_error("font.dat ends early");
        return static_cast<unsigned char>(bytes[pos++]);
    };
    font.height = byte();
    font.tableSize = byte() << 8;
    font.tableSize |= byte();
    for (int j = 0; j < 256; ++j) {
        font.widths[j] = byte();
        for (int i = 0; i < font.widths[j]; ++i) {
            int high = byte();
            font.columns[j].push_back(static_cast<std::uint16_t>(high << 8 | byte()));
        }
    }
    if (pos != bytes.size()) throw std::runtime_error("bytes after the last record");
    return font;
}

TFontDesc DejaVu(int height = -11) {
    TFontDesc font;
    font.face = "DejaVu Sans";
    font.height = height;
    return font;
}

TGlyphSet SetOf(std::string_view bytes) {
    TGlyphSet set;
    set.Add(bytes);
    set.DropControlBytes();
    return set;
}

// The column words of byte j's cell.
std::vector<std::uint16_t> Cell(const TFontRasterizer& font, int j) {
    int x = 0;
    for (int k = 0; k < j; ++k) x += font.WidthTable()[k];
    std::vector<std::uint16_t> words;
    for (int i = 0; i < font.WidthTable()[j]; ++i) words.push_back(font.ColumnWord(x + i));
    return words;
}

int InkCount(const TFontRasterizer& font) {
    int count = 0;
    for (int x = 0; x < font.StripWidth(); ++x) {
        for (int r = 0; r < font.Height(); ++r) count += font.Ink(x, r);
    }
    return count;
}

void ExpectThrowMessage(auto&& call, const std::string& message) {
    try {
        call();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const TBookError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

// --- font.dat layout -------------------------------------------------------

TEST(FontDatTest, ColumnWordIsRowBitsHighByteFirst) {
    std::array<std::uint8_t, 256> widths{};
    widths['A'] = 2;
    std::vector<std::uint16_t> columns = {(1 << 0) | (1 << 1) | (1 << 12), 0x01FC};
    std::string bytes = EncodeFontDat(13, widths, columns);
    ASSERT_EQ(bytes.size(), 3u + 256 + 4);
    std::size_t record = 3 + 'A';  // every record before 'A' is the single byte 0
    EXPECT_EQ(columns[0], 4099);
    EXPECT_EQ(bytes.substr(record, 5), std::string("\x02\x10\x03\x01\xFC", 5));
    EXPECT_EQ(bytes[record + 5], 0);
}

TEST(FontDatTest, WidthsOf700GiveTableSize1656AndA1659ByteFile) {
    std::array<std::uint8_t, 256> widths{};
    for (int j = 32; j < 132; ++j) widths[j] = 7;
    std::vector<std::uint16_t> columns(700, 0x0F0F);
    std::string bytes = EncodeFontDat(13, widths, columns);
    EXPECT_EQ(bytes.substr(0, 3), std::string("\x0D\x06\x78", 3));
    EXPECT_EQ(bytes.size(), 1659u);
    TParsedFont parsed = ParseFontDat(bytes);
    EXPECT_EQ(parsed.tableSize, 1656);
    EXPECT_EQ(parsed.widths[31], 0);
    EXPECT_EQ(parsed.columns[131], std::vector<std::uint16_t>(7, 0x0F0F));

    test::TTempDir dir;
    TMemoryLog log;
    EXPECT_EQ(WriteFontDatFile(bytes, dir.Path(), log), 1659u);
    EXPECT_EQ(test::ReadFile(dir.Path() / "font.dat"), bytes);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0],
              "Create font file " + (dir.Path() / "font.dat").string() + ", size 1659 bytes");
}

TEST(FontDatTest, WriteFailureRaisesTheBareIoMessage) {
    test::TTempDir dir;
    TMemoryLog log;
    ExpectThrowMessage([&] { WriteFontDatFile("x", dir.Path() / "missing", log); },
                       "File not found");
    EXPECT_TRUE(log.Lines().empty());
}

TEST(FontDatTest, ReaderLimitsNameTheLimitAndTheValue) {
    EXPECT_NO_THROW(CheckGlyphHeight(16));
    ExpectThrowMessage([] { CheckGlyphHeight(17); },
                       "Font too high for the reader: glyph height 17 rows, the limit is 16");

    std::array<int, 256> widths{};
    widths[200] = 127;
    EXPECT_NO_THROW(CheckGlyphWidths(widths));
    widths[200] = 128;
    ExpectThrowMessage(
        [&] { CheckGlyphWidths(widths); },
        "Glyph too wide for the reader: byte 200 is 128 pixels wide, the limit is 127");

    widths.fill(0);  // 127 x 128 + 8 = 16264 columns: T = 32784
    for (int j = 0; j < 128; ++j) widths[j] = 127;
    widths[128] = 8;
    ExpectThrowMessage([&] { CheckGlyphWidths(widths); },
                       "Font too large for the reader: table size 32784 bytes, the limit is 32767");
    widths[128] = 0;  // 16256 columns: T = 32768, one over
    EXPECT_THROW(CheckGlyphWidths(widths), TBookError);
    widths[127] = 126;  // T = 32766
    EXPECT_NO_THROW(CheckGlyphWidths(widths));
}

// --- rendering -------------------------------------------------------------

TEST(FontLookupTest, MsSansSerifIsDejaVuSansOnEveryMachine) {
    EXPECT_EQ(FamilyForFace("MS Sans Serif"), "DejaVu Sans");
    EXPECT_EQ(FamilyForFace("ms sans SERIF"), "DejaVu Sans");
    EXPECT_EQ(FamilyForFace("MS Sans Serif Bold"), "MS Sans Serif Bold");
    EXPECT_EQ(FamilyForFace("DejaVu Serif"), "DejaVu Serif");

    TFontRasterizer byDefault{TFontDesc{}};
    TFontRasterizer dejaVu(DejaVu());
    EXPECT_EQ(byDefault.FontFilePath(), dejaVu.FontFilePath());
    EXPECT_EQ(fs::path(byDefault.FontFilePath()).filename(), "DejaVuSans.ttf");
    TGlyphSet set = SetOf("The quick brown fox_ jumps, gjpqy!");
    byDefault.Render(set);
    dejaVu.Render(set);
    EXPECT_EQ(byDefault.FontDatBytes(), dejaVu.FontDatBytes());
}

// DejaVu Sans with its instructions taken away: the fpgm and prep tables renamed
// and the glyphs' instruction size declared 0, so FreeType hints it automatically.
fs::path WriteUninstructedDejaVu(const fs::path& dir) {
    std::string font = test::ReadFile(LocateFont("DejaVu Sans", false, false).path);
    auto u16 = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(font[at]) << 8 |
                                     static_cast<unsigned char>(font[at + 1]));
    };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    for (unsigned i = 0, tables = u16(4); i < tables; ++i) {
        const std::size_t record = 12 + 16 * i;
        const std::string tag = font.substr(record, 4);
        if (tag == "fpgm" || tag == "prep") font[record] = 'x';
        if (tag == "maxp") font[u32(record + 8) + 26] = font[u32(record + 8) + 27] = 0;
    }
    fs::path path = dir / "DejaVuSans-uninstructed.ttf";
    test::WriteFile(path, font);
    return path;
}

// The automatic hinter widens some glyphs by a pixel; the width table must hold
// the advances the font declares, scaled to the size and rounded.
TEST(FontRasterizerTest, FontWithoutInstructionsKeepsItsDeclaredAdvances) {
    test::TTempDir dir;
    TFontDesc desc = DejaVu(-13);
    desc.face = WriteUninstructedDejaVu(dir.Path()).string();
    TFontRasterizer font(desc);
    std::string ascii;
    for (int j = 33; j < 127; ++j) ascii.push_back(static_cast<char>(j));
    font.Render(SetOf(ascii));

    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, desc.face.c_str(), 0, &face), 0);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 13), 0);
    int widenedByHinter = 0;
    for (unsigned char c : ascii) {
        FT_UInt index = FT_Get_Char_Index(face, c);
        FT_Fixed units = 0, hinted = 0;
        ASSERT_EQ(FT_Get_Advance(face, index, FT_LOAD_NO_SCALE, &units), 0);
        ASSERT_EQ(FT_Get_Advance(face, index, FT_LOAD_TARGET_MONO, &hinted), 0);
        const int declared = static_cast<int>(std::lround(units * 13.0 / face->units_per_EM));
        EXPECT_EQ(font.WidthTable()[c], declared) << "byte " << int(c);
        if ((hinted + 32) / 64 != declared) ++widenedByHinter;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    // Else the test would not tell the two measures apart.
    EXPECT_GT(widenedByHinter, 0);
}

TEST(FontRasterizerTest, DefaultFontIsThirteenRowsAndItsFileReadsBack) {
    TFontRasterizer font{TFontDesc{}};  // "MS Sans Serif", -11: DejaVu Sans
    EXPECT_EQ(font.Height(), 13);
    TGlyphSet set = SetOf("The quick brown fox, 1-2-3!\r\n\xC0\xE1\xE2");
    font.Render(set);
    std::string bytes = font.FontDatBytes();
    TParsedFont parsed = ParseFontDat(bytes);
    EXPECT_EQ(parsed.height, 13);
    int widthSum = std::accumulate(parsed.widths.begin(), parsed.widths.end(), 0);
    EXPECT_EQ(widthSum, font.StripWidth());
    EXPECT_EQ(parsed.tableSize, 256 + 2 * widthSum);
    int x = 0;
    for (int j = 0; j < 256; ++j) {
        EXPECT_EQ(parsed.widths[j], font.WidthTable()[j]) << j;
        EXPECT_EQ(parsed.widths[j] > 0, set.Contains(j)) << j;
        for (int i = 0; i < parsed.widths[j]; ++i) {
            EXPECT_EQ(parsed.columns[j][i], font.ColumnWord(x + i)) << j << " column " << i;
        }
        x += parsed.widths[j];
    }

    test::TTempDir dir;
    TMemoryLog log;
    std::uintmax_t size = font.WriteFontDat(dir.Path(), log);
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(test::ReadFile(dir.Path() / "font.dat"), bytes);
    EXPECT_EQ(log.Lines().at(0), "Create font file " + (dir.Path() / "font.dat").string() +
                                     ", size " + std::to_string(size) + " bytes");
}

// Catches a bitmap walked by width / 8 instead of its padded pitch, a baseline
// off by a row and rows numbered from the bottom.
TEST(FontRasterizerTest, CapitalHOfDejaVuSansElevenPixelsBitByBit) {
    TFontRasterizer font(DejaVu(-11));
    font.Render(SetOf("H"));
    const char* expected[] = {
        "........",  //
        "........",  //
        ".#....#.",  //
        ".#....#.",  //
        ".#....#.",  //
        ".######.",  //
        ".#....#.",  //
        ".#....#.",  //
        ".#....#.",  //
        ".#....#.",  //
        "........",  //
        "........",  //
        "........",  //
    };
    ASSERT_EQ(font.StripWidth(), 8);
    for (int r = 0; r < 13; ++r) {
        std::string row;
        for (int x = 0; x < 8; ++x) row += font.Ink(x, r) ? '#' : '.';
        EXPECT_EQ(row, expected[r]) << "row " << r;
    }
    EXPECT_EQ(font.ColumnWord(1), 0x03FC);  // rows 2 to 9
    EXPECT_EQ(font.ColumnWord(3), 1 << 5);  // the bar
}

TEST(FontRasterizerTest, LineBreaksAndTabsGetNoGlyphAndABlankHasNoInk) {
    TFontRasterizer font(DejaVu());
    font.Render(SetOf("x y\r\n\t"));
    TParsedFont parsed = ParseFontDat(font.FontDatBytes());
    for (int j : {9, 10, 13}) {
        EXPECT_EQ(font.WidthTable()[j], 0) << j;
        EXPECT_TRUE(parsed.columns[j].empty()) << j;
    }
    ASSERT_GT(font.WidthTable()[' '], 0);
    EXPECT_EQ(Cell(font, ' '), std::vector<std::uint16_t>(font.WidthTable()[' '], 0));
    EXPECT_EQ(parsed.tableSize, 256 + 2 * font.StripWidth());
}

// In Windows-1256, 9D and FE stand for the zero-width joiners and marks.
TEST(FontRasterizerTest, AGlyphOfWidthZeroIsWrittenAsTheSingleByteZero) {
    TFontDesc desc = DejaVu();
    desc.codePage = "CP1256";
    TFontRasterizer font(desc);
    font.Render(SetOf("a\x9D\xFE"));
    EXPECT_EQ(font.WidthTable()[0x9D], 0);
    EXPECT_EQ(font.WidthTable()[0xFE], 0);
    std::string bytes = font.FontDatBytes();
    EXPECT_EQ(bytes.size(), 3u + 256 + 2 * font.WidthTable()['a']);
    TParsedFont parsed = ParseFontDat(bytes);
    EXPECT_EQ(parsed.widths[0x9D], 0);
    EXPECT_EQ(parsed.widths['a'], font.StripWidth());
}

TEST(FontRasterizerTest, UndefinedAndUnknownCharactersDrawTheMissingGlyph) {
    // 98 is undefined in Windows-1251; byte 0 is a control character.
    TFontRasterizer cyrillic(DejaVu());
    cyrillic.Render(SetOf(std::string("\x98\xC0\xE6", 3) + std::string(1, '\0')));
    std::vector<std::uint16_t> missing = Cell(cyrillic, 0x98);
    ASSERT_FALSE(missing.empty());
    EXPECT_NE(missing, std::vector<std::uint16_t>(missing.size(), 0));
    EXPECT_EQ(Cell(cyrillic, 0), missing);
    // Cyrillic capital A and small zhe have shapes of their own.
    for (int j : {0xC0, 0xE6}) {
        std::vector<std::uint16_t> cell = Cell(cyrillic, j);
        EXPECT_NE(cell, missing) << j;
        EXPECT_NE(cell, std::vector<std::uint16_t>(cell.size(), 0)) << j;
    }
    // Thai, which DejaVu Sans does not cover.
    TFontDesc thai = DejaVu();
    thai.codePage = "CP874";
    TFontRasterizer font(thai);
    font.Render(SetOf("\xA1"));
    EXPECT_EQ(Cell(font, 0xA1), missing);
}

TEST(FontRasterizerTest, HeightTwentyIsRefusedBeforeAnythingIsRendered) {
    TFontRasterizer tall(DejaVu(-20));
    EXPECT_EQ(tall.Height(), 22);
    ExpectThrowMessage([&] { tall.Render(SetOf("abc")); },
                       "Font too high for the reader: glyph height 22 rows, the limit is 16");
    EXPECT_EQ(tall.StripWidth(), 0);
    EXPECT_THROW(tall.FontDatBytes(), std::logic_error);

    TFontRasterizer largest(DejaVu(14));
    EXPECT_EQ(largest.Height(), 16);
    largest.Render(SetOf("g"));
    EXPECT_EQ(largest.FontDatBytes()[0], 16);
}

// DejaVu Sans's cell is 2384 units per 2048-unit em, so a 14-pixel cell is a
// 12-pixel em.
TEST(FontRasterizerTest, PositiveHeightIsTheCellNegativeTheEm) {
    TGlyphSet set = SetOf("Hamburgefonstiv 0123456789");
    TFontRasterizer cell(DejaVu(14));
    TFontRasterizer em(DejaVu(-12));
    TFontRasterizer em14(DejaVu(-14));
    cell.Render(set);
    em.Render(set);
    em14.Render(set);
    EXPECT_EQ(cell.Height(), 16);
    EXPECT_EQ(em.Height(), 14);
    ASSERT_EQ(cell.StripWidth(), em.StripWidth());
    EXPECT_LT(cell.StripWidth(), em14.StripWidth());
    for (int x = 0; x < cell.StripWidth(); ++x)
        EXPECT_EQ(cell.ColumnWord(x), em.ColumnWord(x)) << x;
}

TEST(FontRasterizerTest, SameInputGivesTheSameBytesAcrossPartsAndInstances) {
    TGlyphSet first = SetOf("First part: \xCF\xF0\xE8\xE2\xE5\xF2!");
    TGlyphSet second = SetOf("Other text, other glyphs 0123456789");
    TFontRasterizer font(DejaVu());
    font.Render(first);
    std::string bytes = font.FontDatBytes();
    font.Release();
    EXPECT_EQ(font.StripWidth(), 0);
    EXPECT_THROW(font.FontDatBytes(), std::logic_error);
    font.Render(second);
    EXPECT_NE(font.FontDatBytes(), bytes);
    font.Render(first);
    EXPECT_EQ(font.FontDatBytes(), bytes);
    TFontRasterizer other(DejaVu());
    other.Render(first);
    EXPECT_EQ(other.FontDatBytes(), bytes);
}

// Slanted glyphs reach past their cells; a glyph's columns must hold its own
// ink only, whatever stands beside it.
TEST(FontRasterizerTest, EachCellHoldsOnlyItsOwnGlyph) {
    for (const char* face : {"DejaVu Sans", "DejaVu Serif"}) {
        TFontDesc desc = DejaVu();
        desc.face = face;
        desc.italic = true;
        TFontRasterizer font(desc);
        std::string printable;
        for (int j = 32; j < 256; ++j) printable.push_back(static_cast<char>(j));
        font.Render(SetOf(printable));
        std::array<std::vector<std::uint16_t>, 256> together;
        for (int j = 32; j < 256; ++j) together[j] = Cell(font, j);
        for (int j = 32; j < 256; ++j) {
            font.Render(SetOf(std::string(1, static_cast<char>(j))));
            EXPECT_EQ(Cell(font, j), together[j]) << face << " byte " << j;
        }
    }
}

TEST(FontRasterizerTest, StylesFromTheFamilyOrDrawnByHand) {
    TGlyphSet set = SetOf("Bold words 123");
    TFontRasterizer regular(DejaVu());
    regular.Render(set);
    TFontDesc boldDesc = DejaVu();
    boldDesc.bold = true;
    TFontRasterizer bold(boldDesc);
    bold.Render(set);
    EXPECT_GT(InkCount(bold), InkCount(regular));

    // A font file has no bold sibling: every glyph grows by one pixel.
    TFontDesc fileDesc = DejaVu();
    fileDesc.face = LocateFont("DejaVu Sans", false, false).path;
    fileDesc.bold = true;
    TFontRasterizer synthetic(fileDesc);
    synthetic.Render(set);
    for (int j = 32; j < 256; ++j) {
        if (set.Contains(j)) {
            EXPECT_EQ(synthetic.WidthTable()[j], regular.WidthTable()[j] + 1) << j;
        }
    }
    EXPECT_GT(InkCount(synthetic), InkCount(regular));

    // Slanted by hand: the same advances, other pixels.
    fileDesc.bold = false;
    fileDesc.italic = true;
    TFontRasterizer slanted(fileDesc);
    slanted.Render(set);
    ASSERT_EQ(slanted.StripWidth(), regular.StripWidth());
    int differing = 0;
    for (int x = 0; x < slanted.StripWidth(); ++x) {
        differing += slanted.ColumnWord(x) != regular.ColumnWord(x);
    }
    EXPECT_GT(differing, slanted.StripWidth() / 2);
}

TEST(FontRasterizerTest, UnderlineAndStrikeoutAreFullRowsInEveryCell) {
    std::uint16_t rows[2] = {};
    for (int style = 0; style < 2; ++style) {
        TFontDesc desc = DejaVu();
        desc.underline = style == 0;
        desc.strikeout = style == 1;
        TFontRasterizer font(desc);
        font.Render(SetOf(" "));
        ASSERT_GT(font.StripWidth(), 0);
        rows[style] = font.ColumnWord(0);
        EXPECT_NE(rows[style], 0);
        for (int x = 1; x < font.StripWidth(); ++x) EXPECT_EQ(font.ColumnWord(x), rows[style]);
    }
    // Underline below the baseline at row 10, strikeout above it.
    EXPECT_GE(rows[0], 1 << 10);
    EXPECT_LT(rows[1], 1 << 10);
}

TEST(FontRasterizerTest, FontsThatCannotBeUsedFailWithTheirReason) {
    TFontDesc missing = DejaVu();
    missing.face = "/nonexistent/font.ttf";
    ExpectThrowMessage([&] { TFontRasterizer font(missing); },
                       "Font file not found: /nonexistent/font.ttf");

    test::TTempDir dir;
    fs::path notAFont = dir.Path() / "notes.ttf";
    test::WriteFile(notAFont, "plain text, no font");
    TFontDesc broken = DejaVu();
    broken.face = notAFont.string();
    ExpectThrowMessage([&] { TFontRasterizer font(broken); }, "Can not load font " + broken.face);

    ExpectThrowMessage([] { TFontRasterizer font(DejaVu(0)); },
                       "Font too small for the reader: font height 0, the smallest is 1 pixel");
    // Far beyond the reader: refused with its limit, before the font is looked up.
    TFontDesc huge = DejaVu(4097);
    huge.face = "/nonexistent/font.ttf";
    ExpectThrowMessage([&] { TFontRasterizer font(huge); },
                       "Font too high for the reader: glyph height 4099 rows, the limit is 16");
    huge.height = std::numeric_limits<int>::min();
    ExpectThrowMessage(
        [&] { TFontRasterizer font(huge); },
        "Font too high for the reader: glyph height 2147483650 rows, the limit is 16");

    TFontDesc codePage = DejaVu();
    codePage.codePage = "NO-SUCH-CODE-PAGE";
    EXPECT_THROW(TFontRasterizer font(codePage), TTextError);
}

}  // namespace
}  // namespace quorix
