// contact_sheet.h - many pages side by side in one image, for a quick look.
#pragma once

#include <span>

#include "preview/page_image.h"

namespace quorix::preview {

// Grey gap between pages and around the sheet, in pixels.
inline constexpr int kSheetGap = 4;

// The pages in rows of `columns` (at least 1), left to right and top to bottom, each at its own
// size in a cell as large as the largest page. At least one page is needed.
TPageImage ContactSheet(std::span<const TPageImage> pages, int columns);

}  // namespace quorix::preview
