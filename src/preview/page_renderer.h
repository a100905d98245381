// page_renderer.h - the reader's page view in C++: line measuring, word wrap, glyphs, bar.
// It mirrors reader/src/TBookMIDlet.java (getStrLen, paintOffScreen, the 144-row rule of paint);
// reader/tests/agreement_test.sh compares the two pixel for pixel, so change them together.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "preview/page_image.h"
#include "preview/reader_document.h"
#include "preview/reader_font.h"

namespace quorix::preview {

enum class TCanvasKind { Standard, FullScreen };

// What the reader learns from its first paint: the clip's width and height.
struct TScreen {
    int width = 176;
    int height = 208;
};

struct TReaderView {
    TScreen screen;
    TCanvasKind canvas = TCanvasKind::Standard;
    bool wordWrap = true;
};

// The height the reader lays pages out for. Some Nokia phones report a first clip of 144 rows
// on their 208-row full screen, so the full-screen canvas takes 144 as 208; a standard canvas
// of 144 rows really has 144.
int LayoutHeight(TScreen screen, TCanvasKind canvas);

// Bytes of the line that starts at `start` in a page's data, measured against `limit` pixels;
// 0 only where the data ends.
int LineLength(const TReaderFont& font, std::span<const std::uint8_t> page, int start, int limit,
               bool wordWrap);

class TPageRenderer {
  public:
    TPageRenderer(const TReaderFont& font, TReaderView view);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Draws the page that starts at `offset` of `doc`, as the reader's paint does, into `image`
    // (Width() x Height(); null only lays it out) and returns the bytes the page holds.
    int Paint(const TReaderDocument& doc, int offset, TPageImage* image) const;
    // Start offsets of the pages that paging from the document's start shows, the first page
    // always, then every page that holds at least one line.
    std::vector<int> PageStarts(const TReaderDocument& doc) const;

  private:
    void DrawLine(std::span<const std::uint8_t> line, int y, TPageImage* image) const;
    static void DrawBar(std::int32_t end, std::int32_t size, TPageImage& image);

    const TReaderFont& font_;
    TReaderView view_;
    int width_;
    int height_;
};

}  // namespace quorix::preview
