// contact_sheet.cpp - pages pasted into a grid on a grey ground.
#include "preview/contact_sheet.h"

#include <algorithm>
#include <stdexcept>

namespace quorix::preview {

TPageImage ContactSheet(std::span<const TPageImage> pages, int columns) {
    if (pages.empty() || columns < 1) {
        throw std::invalid_argument("a contact sheet needs pages and columns");
    }
    int cellWidth = 0;
    int cellHeight = 0;
    for (const TPageImage& page : pages) {
        cellWidth = std::max(cellWidth, page.Width());
        cellHeight = std::max(cellHeight, page.Height());
    }
    const int count = static_cast<int>(pages.size());
    const int across = std::min(columns, count);
    const int down = (count + across - 1) / across;
    TPageImage sheet(kSheetGap + across * (cellWidth + kSheetGap),
                     kSheetGap + down * (cellHeight + kSheetGap), TInk::Grey);
    for (int i = 0; i < count; ++i) {
        sheet.Paste(pages[i], kSheetGap + (i % across) * (cellWidth + kSheetGap),
                    kSheetGap + (i / across) * (cellHeight + kSheetGap));
    }
    return sheet;
}

}  // namespace quorix::preview
