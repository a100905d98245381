// page_renderer.cpp - a page laid out and drawn by the reader's rules, pixel for pixel.
#include "preview/page_renderer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "preview/reader_breaks.h"

namespace quorix::preview {

namespace {

constexpr std::uint8_t kCarriageReturn = 13;

// A line may wrap after any of the reader's BREAKS (generated from TBookMIDlet.java).
constexpr std::array<bool, 256> kIsBreak = [] {
    std::array<bool, 256> table{};
    for (char c : kReaderBreaks) table[static_cast<std::uint8_t>(c)] = true;
    return table;
}();

bool IsBreak(std::uint8_t b) {
    return kIsBreak[b];
}

// The reader's int arithmetic wraps at 32 bits and divides towards zero.
std::int32_t JavaMul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

std::int32_t JavaDiv(std::int32_t a, std::int32_t b) {
    if (a == std::numeric_limits<std::int32_t>::min() && b == -1) {
        return a;
    }
    return a / b;
}

}  // namespace

int LayoutHeight(TScreen screen, TCanvasKind canvas) {
    return canvas == TCanvasKind::FullScreen && screen.height == 144 ? 208 : screen.height;
}

// TBookMIDlet.getStrLen.
int LineLength(const TReaderFont& font, std::span<const std::uint8_t> page, int start, int limit,
               bool wordWrap) {
    int width = 0;
    int lastBreak = -1;
    const int end = static_cast<int>(page.size());
    int i = start;
    for (; i < end; ++i) {
        const std::uint8_t b = page[i];
        if (b == kCarriageReturn) {
            return i - start + 1;
        }
        if (IsBreak(b)) {
            lastBreak = i;
        }
        width += font.Width(b) + 1;  // a byte without glyph still counts one pixel
        if (width > limit) {
            if (lastBreak != i && wordWrap && lastBreak >= 0) {
                return lastBreak - start + 1;
            }
            // A glyph wider than the text area still takes a line of its own, so paging moves on.
            return i == start ? 1 : i - start;
        }
    }
    return i - start;
}

TPageRenderer::TPageRenderer(const TReaderFont& font, TReaderView view)
    : font_(font),
      view_(view),
      width_(view.screen.width),
      height_(LayoutHeight(view.screen, view.canvas)) {
    if (width_ <= 0 || height_ <= 0) {
        throw std::invalid_argument("a screen needs a positive width and height");
    }
}

// TBookMIDlet.paintOffScreen: the page view's lines, then its bar.
int TPageRenderer::Paint(const TReaderDocument& doc, int offset, TPageImage* image) const {
    const std::span<const std::uint8_t> page = doc.PageData(offset);
    const int height = font_.Height();
    std::int32_t cursor = offset;
    if (image != nullptr && (image->Width() != width_ || image->Height() != height_)) {
        throw std::invalid_argument("the image is not the screen's size");
    }
    if (image != nullptr) {
        image->Clear(TInk::White);
    }
    try {
        int pos = 0;
        int y = 0;
        while (true) {
            const int len = LineLength(font_, page, pos, width_ - 2, view_.wordWrap);
            if (len == 0) {
                break;
            }
            cursor += len;
            DrawLine(page.subspan(pos, len), y, image);
            pos += len;
            // A height below 2 would give no line pitch; such a font still pages.
            y += std::max(height - 1, 1);
            if (y + height > height_) {
                break;
            }
        }
        if (image != nullptr) {
            DrawBar(cursor, doc.Size(), *image);
        }
    } catch (const TPaintAborted&) {
        // The reader's paint ends there, without its bar.
    }
    return cursor - offset;
}

// Pen at x = 1; each glyph's set bits drawn in its columns, then one blank column after it. A
// byte without glyph draws nothing and leaves the pen where it is.
// The glyph loop of TBookMIDlet.paintOffScreen.
void TPageRenderer::DrawLine(std::span<const std::uint8_t> line, int y, TPageImage* image) const {
    int x = 1;
    // Column words have at most 16 rows; a glyph whose rows all fall on the image is drawn
    // without clipping each pixel.
    const bool rowsOnImage = image != nullptr && y >= 0 && y + 16 <= image->Height();
    for (const std::uint8_t b : line) {
        const std::int16_t* glyph = font_.Glyph(b);
        const int w = glyph[0];
        for (int c = 0; image != nullptr && c < w; ++c) {
            const auto bits = static_cast<std::uint16_t>(glyph[1 + c]);
            if (rowsOnImage && x + c < image->Width()) {
                image->PlotColumn(x + c, y, bits, TInk::Black);
                continue;
            }
            for (int r = 0; bits >> r != 0; ++r) {
                if ((bits >> r & 1) != 0) {
                    image->Plot(x + c, y + r, TInk::Black);
                }
            }
        }
        x += w > 0 ? w + 1 : 0;
    }
}

// The right-most column: green down to the share of the document read by the end of this page,
// red below it; all red for a document of length 0.
void TPageRenderer::DrawBar(std::int32_t end, std::int32_t size, TPageImage& image) {
    const int gw = image.Width();
    const int gh = image.Height();
    const std::int64_t green = size == 0 ? 0 : JavaDiv(JavaMul(end, gh), size);
    const std::int64_t split = std::clamp<std::int64_t>(green, 0, gh);
    image.FillRect(gw - 1, 0, 1, static_cast<int>(split), TInk::Green);
    image.FillRect(gw - 1, static_cast<int>(split), 1, gh - static_cast<int>(split), TInk::Red);
}

std::vector<int> TPageRenderer::PageStarts(const TReaderDocument& doc) const {
    std::vector<int> starts{0};
    int offset = 0;
    while (true) {
        const int held = Paint(doc, offset, nullptr);
        if (held <= 0) {
            break;
        }
        offset += held;
        if (offset >= doc.TextLength()) {
            break;
        }
        starts.push_back(offset);
    }
    return starts;
}

}  // namespace quorix::preview
