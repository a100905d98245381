// book_preview.h - the pages of one document of a built book, as the reader pages it.
#pragma once

#include <vector>

#include "preview/book_files.h"
#include "preview/page_renderer.h"

namespace quorix::preview {

enum class TDocumentKind { Book, Help };

class TBookPreview {
  public:
    // The screen is the clip the reader's first paint gets; the canvas comes from the book.
    TBookPreview(const TBookFiles& files, TDocumentKind document, TScreen screen, bool wordWrap);
    TBookPreview(const TBookPreview&) = delete;
    TBookPreview& operator=(const TBookPreview&) = delete;

    TCanvasKind Canvas() const { return canvas_; }
    int PageCount() const { return static_cast<int>(starts_.size()); }
    // Page `index` (0 is the page the reader shows first), Width() x Height() pixels.
    TPageImage Page(int index) const;
    int Width() const { return renderer_.Width(); }
    int Height() const { return renderer_.Height(); }

  private:
    TCanvasKind canvas_;
    TReaderFont font_;
    TReaderDocument document_;
    TPageRenderer renderer_;  // refers to font_
    std::vector<int> starts_;
};

}  // namespace quorix::preview
