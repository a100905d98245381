// page_image.h - a screen's pixels in the few colours the reader's pages use.
#pragma once

#include <array>
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
    // Copies `page` with its top left corner at (x, y), clipped to this image.
    void Paste(const TPageImage& page, int x, int y);
    const std::vector<TInk>& Pixels() const { return pixels_; }

  private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_;
    int height_;
    std::vector<TInk> pixels_;
};

}  // namespace quorix::preview
