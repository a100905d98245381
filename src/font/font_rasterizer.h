// font_rasterizer.h - a part's bitmap font: glyph strip, width table, font.dat.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "book/build_log.h"
#include "book/build_settings.h"
#include "font/glyph_set.h"

namespace quorix {

// A height of 0 draws nothing at all.
inline constexpr std::string_view kMsgFontHeightZero =
    "Font too small for the reader: font height 0, the smallest is 1 pixel";
inline constexpr std::string_view kMsgCannotLoadFont = "Can not load font ";

// Draws the glyphs of a set side by side into a one-bit strip, h rows high,
// byte j as character j of the font's code page, monochrome and hinted. The
// font is looked up and loaded once; glyphs are kept across parts.
class TFontRasterizer {
  public:
    // Raises TBookError when the font cannot be found, loaded or sized, or the
    // code page is unknown; a height of 0 or beyond any size the reader could
    // show, with the reader's limit.
    explicit TFontRasterizer(const TFontDesc& font);
    ~TFontRasterizer();
    TFontRasterizer(TFontRasterizer&&) noexcept;
    TFontRasterizer& operator=(TFontRasterizer&&) noexcept;

    // Makes the strip and the width table of the set's bytes. A font the reader
    // cannot show (see font_dat.h) raises TBookError and leaves nothing rendered.
    void Render(const TGlyphSet& set);

    // h = |font height| + 2.
    int Height() const { return height_; }
    int StripWidth() const { return static_cast<int>(columns_.size()); }
    std::span<const std::uint8_t, 256> WidthTable() const { return widthTable_; }

    // Strip pixels; false outside the strip.
    bool Ink(int x, int row) const;
    // Bit r is row r; 0 outside the strip.
    std::uint16_t ColumnWord(int x) const;

    // The exact bytes of font.dat for the last render.
    std::string FontDatBytes() const;
    // Writes tempDir/font.dat, logs it and returns its size.
    std::uintmax_t WriteFontDat(const std::filesystem::path& tempDir, TBuildLog& log) const;

    // The font file the face resolved to.
    const std::string& FontFilePath() const { return fontFile_; }

    // Frees the strip; the loaded font and its glyphs stay for the next part.
    void Release();

  private:
    struct TFace;
    struct TGlyphImage;

    const TGlyphImage& Glyph(int j);
    void DrawCell(const TGlyphImage& glyph, int x);

    std::unique_ptr<TFace> face_;
    int height_ = 0;
    std::string fontFile_;
    bool rendered_ = false;
    std::array<std::uint8_t, 256> widthTable_{};
    std::vector<std::uint16_t> columns_;  // the strip, one column word per column
};

}  // namespace quorix
