// page_image.h - a screen's pixels in the few colours the reader's pages use.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

namespace quorix::preview {

// Palette indices; the reader's page view draws only the first four.
enum class TInk : std::uint8_t { White = 0, Black = 1, Green = 2, Red = 3, Grey = 4 };

struct TRgb {
    std::uint8_t r, g, b;
    bool operator==(const TRgb&) const = default;
};

// The reader's colours (white page, black glyphs, the bar's green and red) and the grey that
// separates the pages of a contact sheet.
inline constexpr std::array<TRgb, 5> kPalette{
    {{255, 255, 255}, {0, 0, 0}, {0, 255, 0}, {255, 0, 0}, {160, 160, 160}}};

class TPageImage {
  public:
    TPageImage(int width, int height, TInk fill = TInk::White);

    int Width() const { return width_; }
    int Height() const { return height_; }
    TInk At(int x, int y) const { return pixels_[Index(x, y)]; }
    // Sets the pixel when it is on the image; the screen clips everything else, as a phone's does.
    void Plot(int x, int y, TInk ink);
    // A filled rectangle as MIDP draws it: nothing when the width or height is not positive.
    void FillRect(int x, int y, int width, int height, TInk ink);
    // Every pixel `ink`.
    void Clear(TInk ink) {
        std::fill(pixels_.begin(), pixels_.end(), ink);
        grey_ = ink == TInk::Grey;
    }
    // Copies `page` with its top left corner at (x, y), clipped to this image.
    void Paste(const TPageImage& page, int x, int y);
    // Sets, unchecked, the pixels of column x from row y down where `bits` has bit k set for
    // row y + k; the caller has made sure they all lie on the image.
    void PlotColumn(int x, int y, unsigned bits, TInk ink) {
        TInk* at = pixels_.data() + Index(x, y);
        for (; bits != 0; bits &= bits - 1) {
            at[static_cast<std::size_t>(std::countr_zero(bits)) *
               static_cast<std::size_t>(width_)] = ink;
        }
        grey_ = grey_ || ink == TInk::Grey;
    }
    const std::vector<TInk>& Pixels() const { return pixels_; }
    // Whether any pixel may be grey, so that a page's PNG needs only four colours.
    bool MayHoldGrey() const { return grey_; }

  private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_;
    int height_;
    std::vector<TInk> pixels_;
    bool grey_ = false;
};

}  // namespace quorix::preview
