// page_render_fuzz.cpp - any font.dat and document, laid out and drawn page by page.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "preview/page_renderer.h"

// Input: word wrap and canvas flags, screen width and height (1 byte each), the length of the
// font (2 bytes), the font, then the document file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorix::preview;
    if (size < 5) {
        return 0;
    }
    const TScreen screen{data[1] + 1, data[2] + 1};
    const std::size_t fontLength = std::min<std::size_t>(size - 5, data[3] << 8 | data[4]);
    const TReaderFont font(std::span(data + 5, fontLength));
    const TReaderDocument doc(std::vector<std::uint8_t>(data + 5 + fontLength, data + size));
    const TReaderView view{screen, (data[0] & 2) != 0 ? TCanvasKind::FullScreen : TCanvasKind::Standard,
                           (data[0] & 1) != 0};
    const TPageRenderer renderer(font, view);
    TPageImage image(renderer.Width(), renderer.Height());
    int pages = 0;
    for (const int start : renderer.PageStarts(doc)) {
        renderer.Paint(doc, start, &image);
        if (++pages == 64) {
            break;
        }
    }
    return 0;
}
