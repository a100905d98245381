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
    grey_ = fill == TInk::Grey;
}

void TPageImage::Plot(int x, int y, TInk ink) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[Index(x, y)] = ink;
        grey_ = grey_ || ink == TInk::Grey;
    }
}

void TPageImage::FillRect(int x, int y, int width, int height, TInk ink) {
    // 64-bit ends, so that rectangles reaching past the int range clip instead of wrapping.
    const std::int64_t x0 = std::max<std::int64_t>(x, 0);
    const std::int64_t y0 = std::max<std::int64_t>(y, 0);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + width, width_);
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + height, height_);
    for (std::int64_t row = y0; row < y1; ++row) {
        TInk* line = pixels_.data() + Index(0, static_cast<int>(row));
        std::fill(line + x0, line + std::max(x0, x1), ink);
    }
    grey_ = grey_ || (ink == TInk::Grey && x0 < x1 && y0 < y1);
}

void TPageImage::Paste(const TPageImage& page, int x, int y) {
    const int x0 = std::max(x, 0);
    const int x1 = std::min<std::int64_t>(std::int64_t{x} + page.Width(), width_);
    const int y0 = std::max(y, 0);
    const int y1 = std::min<std::int64_t>(std::int64_t{y} + page.Height(), height_);
    for (int row = y0; row < y1; ++row) {
        const TInk* from = page.pixels_.data() + page.Index(x0 - x, row - y);
        std::copy(from, from + std::max(0, x1 - x0), pixels_.data() + Index(x0, row));
    }
    grey_ = grey_ || (page.grey_ && x0 < x1 && y0 < y1);
}

}  // namespace quorix::preview
