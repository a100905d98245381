// book_preview.cpp - page starts found once, pages drawn on demand.
#include "preview/book_preview.h"

#include <stdexcept>

namespace quorix::preview {

TBookPreview::TBookPreview(const TBookFiles& files, TDocumentKind document, TScreen screen,
                           bool wordWrap)
    : canvas_(files.canvas),
      font_(files.font),
      document_(document == TDocumentKind::Help ? files.help : files.book),
      renderer_(font_, TReaderView{screen, files.canvas, wordWrap}),
      starts_(renderer_.PageStarts(document_)) {}

TPageImage TBookPreview::Page(int index) const {
    if (index < 0 || index >= PageCount()) {
        throw std::out_of_range("no such page");
    }
    TPageImage image(renderer_.Width(), renderer_.Height());
    renderer_.Paint(document_, starts_[static_cast<std::size_t>(index)], &image);
    return image;
}

}  // namespace quorix::preview
