// page_image.cpp - plotting, rectangles and pasting, clipped to the image.
#include "preview/page_image.h"

#include <algorithm>
#include <stdexcept>

namespace quorix::preview {

TPageImage::TPageImage(int width, int height, TInk fill) : width_(width), height_(height) {
    if (width <= 0 || height <= 0) {
        throw std::invalid_argument("an image needs a positive width and height");
    }
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

void TPageImage::Plot(int x, int y, TInk ink) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[Index(x, y)] = ink;
    }
}

void TPageImage::FillRect(int x, int y, int width, int height, TInk ink) {
    // 64-bit ends, so that rectangles reaching past the int range clip instead of wrapping.
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + width, width_);
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + height, height_);
    for (std::int64_t row = y0; row < y1; ++row) {
        for (std::int64_t col = x0; col < x1; ++col) {
            pixels_[Index(static_cast<int>(col), static_cast<int>(row))] = ink;
        }
    }
}

void TPageImage::Paste(const TPageImage& page, int x, int y) {
    for (int row = 0; row < page.Height(); ++row) {
        for (int col = 0; col < page.Width(); ++col) {
            Plot(x + col, y + row, page.At(col, row));
        }
    }
}

}  // namespace quorix::preview
