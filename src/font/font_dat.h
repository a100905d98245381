// font_dat.h - the font.dat layout and the limits of the reader that reads it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "book/build_log.h"
#include "book/part_files.h"

namespace quorix {

// The reader reads h and every width as signed bytes, T as a signed 16-bit
// number, and keeps 16 rows per column word.
inline constexpr int kMaxGlyphHeight = 16;
inline constexpr int kMaxGlyphWidth = 127;
inline constexpr int kMaxTableSize = 32767;

inline constexpr std::string_view kMsgFontTooHigh = "Font too high for the reader: glyph height ";
inline constexpr std::string_view kMsgGlyphTooWide = "Glyph too wide for the reader: byte ";
inline constexpr std::string_view kMsgFontTooLarge = "Font too large for the reader: table size ";

// Raises TBookError when h rows exceed what a column word holds.
void CheckGlyphHeight(long long glyphHeight);

// Raises TBookError for the first glyph wider than the reader takes, then for a
// table size T = 256 + 2 x sum of widths beyond it. `widths` are the full
// advance widths, 0 for bytes without a glyph.
void CheckGlyphWidths(std::span<const int, 256> widths);

// The whole file:
//   offset 0  size 1  h, the rows of every glyph column
//   offset 1  size 2  T, the bytes that follow, big-endian
//   offset 3  size T  256 records in byte order: width w, then w column words
//                     (big-endian, leftmost first); w = 0 is the record 0
// `columns` holds the column words of all glyphs side by side, as many as the
// widths add up to.
std::string EncodeFontDat(int glyphHeight, std::span<const std::uint8_t, 256> widthTable,
                          std::span<const std::uint16_t> columns);

// Writes tempDir/font.dat and logs "Create font file <path>, size <n> bytes";
// returns n. I/O failures raise the runtime's message unwrapped.
std::uintmax_t WriteFontDatFile(std::string_view bytes, const std::filesystem::path& tempDir,
                                TBuildLog& log);

}  // namespace quorix
