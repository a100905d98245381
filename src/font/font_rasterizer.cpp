// font_rasterizer.cpp - monochrome glyphs with FreeType into a one-bit strip.
#include "font/font_rasterizer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "book/book_error.h"
#include "book/code_page.h"
#include "font/font_dat.h"
#include "font/font_lookup.h"

namespace quorix {
namespace {

struct LibraryDeleter {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDeleter {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDeleter>;
using FacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDeleter>;

// Beyond any size a phone could show: refused before the font is even looked up.
constexpr int kMaxFontHeight = 4096;

int RoundPixels(FT_Pos value26_6) {
    return static_cast<int>((value26_6 + 32) >> 6);
}

// C0 and C1 controls have no shape of their own; they draw as the missing glyph.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Rows top to top + count - 1 as column-word bits, cut to the strip's rows.
std::uint16_t RowMask(int top, int count, int height) {
    int first = std::max(top, 0);
    int last = std::min({top + count, height, kMaxGlyphHeight});
    std::uint16_t mask = 0;
    for (int r = first; r < last; ++r) mask |= static_cast<std::uint16_t>(1u << r);
    return mask;
}

// Ascent and descent in font units. A positive height is the cell that
// Windows fonts size by, their win ascent plus descent; other fonts use the
// ascender and descender they declare.
std::pair<long, long> CellMetrics(FT_Face face) {
    auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        return {os2->usWinAscent, os2->usWinDescent};
    }
    return {face->ascender, -face->descender};
}

// Negative height: the em in pixels. Positive: the cell, ascent plus descent.
// A font of fixed strikes takes the strike nearest to the request.
bool SetSize(FT_Face face, int height) {
    if (FT_IS_SCALABLE(face)) {
        auto [ascent, descent] = CellMetrics(face);
        FT_Long em26 = height < 0
                           ? FT_Long{-height} * 64
                           : (FT_Long{height} * 64 * face->units_per_EM + (ascent + descent) / 2) /
                                 std::max(ascent + descent, 1L);
        FT_Size_RequestRec request{};
        request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        request.height = std::max<FT_Long>(em26, 1);
        return FT_Request_Size(face, &request) == 0;
    }
    int best = -1;
    long bestDistance = 0;
    for (int i = 0; i < face->num_fixed_sizes; ++i) {
        const FT_Bitmap_Size& size = face->available_sizes[i];
        long have = height < 0 ? RoundPixels(size.y_ppem) : size.height;
        long distance = std::labs(have - std::labs(height));
        if (best < 0 || distance < bestDistance) best = i, bestDistance = distance;
    }
    return best >= 0 && FT_Select_Size(face, best) == 0;
}

int AscentPixels(FT_Face face) {
    if (!FT_IS_SCALABLE(face)) return RoundPixels(face->size->metrics.ascender);
    return RoundPixels(FT_MulFix(CellMetrics(face).first, face->size->metrics.y_scale));
}

// Underline and strikeout rows, the same in every cell.
std::uint16_t LineMask(FT_Face face, const TFontDesc& font, int ascent, int height) {
    bool scalable = FT_IS_SCALABLE(face);
    FT_Fixed scale = face->size->metrics.y_scale;
    auto pixels = [&](long units) { return RoundPixels(FT_MulFix(units, scale)); };
    int thickness = scalable ? std::max(1, pixels(face->underline_thickness)) : 1;
    std::uint16_t mask = 0;
    if (font.underline) {
        // The declared position is the stroke's centre below the baseline.
        int top = scalable && face->underline_thickness > 0
                      ? ascent - pixels(face->underline_position) - thickness / 2
                      : ascent + 1;
        mask |= RowMask(top, thickness, height);
    }
    if (font.strikeout) {
        auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (scalable && os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            // The declared position is the stroke's top above the baseline.
            mask |= RowMask(ascent - pixels(os2->yStrikeoutPosition),
                            std::max(1, pixels(os2->yStrikeoutSize)), height);
        } else {
            mask |= RowMask(ascent - (ascent * 3 + 5) / 10, thickness, height);
        }
    }
    return mask;
}

// FreeType hints a TrueType font without any instructions with its automatic
// hinter, which may widen advances by a pixel; such a font keeps the advance it
// declares, scaled and rounded. The same holds for a driver without a hinter.
bool UsesAutomaticHinter(FT_Face face) {
    if (!FT_IS_SCALABLE(face)) return false;
    if ((face->face_flags & FT_FACE_FLAG_HINTER) == 0) return true;
    if (!FT_IS_SFNT(face)) return false;
    auto hasTable = [face](FT_ULong tag) {
        FT_ULong length = 0;
        return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
    };
    if (!hasTable(TTAG_glyf)) return false;  // CFF outlines: their own hints
    auto* maxp = static_cast<const TT_MaxProfile*>(FT_Get_Sfnt_Table(face, FT_SFNT_MAXP));
    return !hasTable(TTAG_fpgm) && !hasTable(TTAG_prep) &&
           (maxp == nullptr || maxp->maxSizeOfInstructions == 0);
}

bool PixelInk(const FT_Bitmap& bitmap, const unsigned char* row, unsigned column) {
    switch (bitmap.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
            return (row[column >> 3] & (0x80u >> (column & 7))) != 0;
        case FT_PIXEL_MODE_GRAY:  // embedded grey strikes: at least half covered
            return row[column] * 2 >= bitmap.num_grays;
        case FT_PIXEL_MODE_BGRA:
            return row[4 * column + 3] >= 128;
        default:
            return false;
    }
}

}  // namespace

struct TFontRasterizer::TGlyphImage {
    int advance = 0;                     // whole pixels
    int left = 0;                        // first inked column relative to the cell
    std::vector<std::uint16_t> columns;  // rows relative to the cell top
    bool ink = false;                    // any pixel set, inside the cell's rows or not
    bool shaped = false;                 // an outline with points: too small to ink, not lost
};

struct TFontRasterizer::TFace {
    LibraryPtr library;  // declared first: the face goes before its library
    FacePtr face;
    bool embolden = false;
    bool oblique = false;
    bool declaredAdvances = false;  // scaled advances, not the hinter's
    bool symbol = false;            // shapes found at F000 + byte, not by character
    std::string path;               // the font file, for messages
    int ascent = 0;                 // baseline row within the cell
    std::uint16_t lineMask = 0;
    std::array<FT_UInt, 256> glyphIndex{};
    std::array<std::optional<TGlyphImage>, 256> glyphs;

    void MapCodePage(const std::string& codePage);
    TGlyphImage Load(FT_UInt index, int height);
};

void TFontRasterizer::TFace::MapCodePage(const std::string& codePage) {
    FT_Face f = face.get();
    bool unicode = FT_Select_Charmap(f, FT_ENCODING_UNICODE) == 0;
    symbol = !unicode && FT_Select_Charmap(f, FT_ENCODING_MS_SYMBOL) == 0;
    for (int j = 0; j < 256; ++j) {
        if (symbol) {
            // Symbol fonts keep their shapes at F000 + byte.
            glyphIndex[j] = FT_Get_Char_Index(f, 0xF000 + j);
            if (glyphIndex[j] == 0) glyphIndex[j] = FT_Get_Char_Index(f, j);
            continue;
        }
        std::optional<char32_t> c = CodePageChar(static_cast<unsigned char>(j), codePage);
        // Index 0 is the font's missing-glyph shape.
        glyphIndex[j] = c && !IsControl(*c) ? FT_Get_Char_Index(f, *c) : 0;
    }
}

TFontRasterizer::TGlyphImage TFontRasterizer::TFace::Load(FT_UInt index, int height) {
    FT_Face f = face.get();
    FT_GlyphSlot slot = f->glyph;
    // Hinted for a one-bit target: stems land on whole pixels. A glyph that does not
    // load is a damaged font, which would otherwise give a book of blank pages.
    if (FT_Load_Glyph(f, index, FT_LOAD_TARGET_MONO) != 0) {
        throw TBookError(std::string(kMsgCannotLoadFont) + path + ": glyph " +
                         std::to_string(index) + " is damaged");
    }
    int widened = 0;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (oblique) FT_GlyphSlot_Oblique(slot);
        if (embolden && FT_Outline_EmboldenXY(&slot->outline, 64, 0) == 0) {
            widened = 64;  // one pixel wider, the classic synthetic bold
        }
    } else if (embolden) {
        FT_GlyphSlot_Embolden(slot);
    }
    TGlyphImage image;
    image.shaped = slot->format == FT_GLYPH_FORMAT_OUTLINE && slot->outline.n_points > 0;
    if (declaredAdvances && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // linearHoriAdvance: the unhinted advance in 16.16 pixels.
        image.advance = static_cast<int>((slot->linearHoriAdvance + 0x8000) >> 16) + widened / 64;
    } else {
        image.advance = RoundPixels(slot->advance.x + widened);
    }
    image.advance = std::max(0, image.advance);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
        throw TBookError(std::string(kMsgCannotLoadFont) + path + ": glyph " +
                         std::to_string(index) + " is damaged");
    }
    const FT_Bitmap& bitmap = slot->bitmap;
    image.left = slot->bitmap_left;
    image.columns.assign(bitmap.width, 0);
    // Rows are `pitch` bytes apart, padded; a negative pitch stores them bottom up.
    const unsigned char* row = bitmap.buffer;
    if (bitmap.pitch < 0) row -= static_cast<long>(bitmap.pitch) * (bitmap.rows - 1);
    int top = ascent - slot->bitmap_top;
    for (unsigned r = 0; r < bitmap.rows; ++r, row += bitmap.pitch) {
        std::uint16_t bit = RowMask(top + static_cast<int>(r), 1, height);
        for (unsigned c = 0; c < bitmap.width; ++c) {
            if (!PixelInk(bitmap, row, c)) continue;
            image.ink = true;
            image.columns[c] |= bit;
        }
    }
    return image;
}

TFontRasterizer::TFontRasterizer(const TFontDesc& font) : face_(std::make_unique<TFace>()) {
    if (font.height == 0) throw TBookError(std::string(kMsgFontHeightZero));
    if (font.height < -kMaxFontHeight || font.height > kMaxFontHeight) {
        CheckGlyphHeight(std::llabs(static_cast<long long>(font.height)) + 2);
    }
    height_ = std::abs(font.height) + 2;
    CheckCodePage(font.codePage);
    TFontFile file = LocateFont(font.face, font.bold, font.italic);
    fontFile_ = file.path;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) throw TBookError("Can not start FreeType");
    face_->library.reset(library);
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) {
        throw TBookError(std::string(kMsgCannotLoadFont) + file.path);
    }
    face_->face.reset(face);
    face_->path = file.path;
    if (!SetSize(face, font.height)) {
        throw TBookError(std::string(kMsgCannotLoadFont) + file.path + " at height " +
                         std::to_string(font.height));
    }
    // A family without the requested style is drawn bold or slanted by hand.
    face_->embolden = font.bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    face_->oblique = font.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    face_->declaredAdvances = UsesAutomaticHinter(face);
    face_->ascent = AscentPixels(face);
    face_->lineMask = LineMask(face, font, face_->ascent, height_);
    face_->MapCodePage(font.codePage);
}

TFontRasterizer::~TFontRasterizer() = default;
TFontRasterizer::TFontRasterizer(TFontRasterizer&&) noexcept = default;
TFontRasterizer& TFontRasterizer::operator=(TFontRasterizer&&) noexcept = default;

const TFontRasterizer::TGlyphImage& TFontRasterizer::Glyph(int j) {
    std::optional<TGlyphImage>& glyph = face_->glyphs[j];
    if (!glyph) glyph = face_->Load(face_->glyphIndex[j], height_);
    return *glyph;
}

// A cell holds its own glyph's ink and nothing else: ink beyond either edge
// would show on the phone as part of a neighbouring glyph.
void TFontRasterizer::DrawCell(const TGlyphImage& glyph, int x) {
    const int columnCount = static_cast<int>(glyph.columns.size());
    for (int i = 0; i < glyph.advance; ++i) {
        int k = i - glyph.left;
        std::uint16_t ink = k >= 0 && k < columnCount ? glyph.columns[k] : 0;
        columns_[x + i] = face_->lineMask | ink;
    }
}

void TFontRasterizer::Render(const TGlyphSet& set) {
    Release();
    CheckGlyphHeight(height_);
    std::array<int, 256> widths{};
    int stripWidth = 0;
    for (int j = 0; j < 256; ++j) {
        if (set.Contains(j)) {
            const TGlyphImage& glyph = Glyph(j);
            // Every font draws the visible ASCII characters; one that has no shape for
            // them is damaged (the code page keeps ASCII at those bytes). A shape too small
            // for a pixel at this size is an empty glyph.
            if (j > 32 && j < 127 && !glyph.ink && !glyph.shaped && !face_->symbol) {
                throw TBookError(std::string(kMsgCannotLoadFont) + face_->path + ": no ink for \"" +
                                 static_cast<char>(j) + "\"");
            }
            widths[j] = glyph.advance;
        }
        stripWidth += widths[j];
    }
    CheckGlyphWidths(widths);
    columns_.assign(stripWidth, 0);
    int x = 0;
    for (int j = 0; j < 256; ++j) {
        if (widths[j] > 0) DrawCell(Glyph(j), x);
        widthTable_[j] = static_cast<std::uint8_t>(widths[j]);  // at most 127 once checked
        x += widths[j];
    }
    rendered_ = true;
}

bool TFontRasterizer::Ink(int x, int row) const {
    return row >= 0 && row < std::min(height_, kMaxGlyphHeight) && ((ColumnWord(x) >> row) & 1u);
}

std::uint16_t TFontRasterizer::ColumnWord(int x) const {
    return x >= 0 && x < StripWidth() ? columns_[x] : 0;
}

std::string TFontRasterizer::FontDatBytes() const {
    if (!rendered_) throw std::logic_error("font.dat asked for before Render");
    return EncodeFontDat(height_, widthTable_, columns_);
}

std::uintmax_t TFontRasterizer::WriteFontDat(const std::filesystem::path& tempDir,
                                             TBuildLog& log) const {
    return WriteFontDatFile(FontDatBytes(), tempDir, log);
}

void TFontRasterizer::Release() {
    columns_.clear();
    columns_.shrink_to_fit();
    widthTable_.fill(0);
    rendered_ = false;
}

}  // namespace quorix
