// screen_sizes.h - common phone screens, and screen sizes typed as WIDTHxHEIGHT.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "preview/page_renderer.h"

namespace quorix::preview {

struct TNamedScreen {
    TScreen screen;
    std::string_view phones;  // which phones, and what their two canvases measure
};

inline constexpr std::array<TNamedScreen, 4> kCommonScreens{{
    {{128, 128},
     "Nokia Series 40: full-screen canvas 128x128; a standard canvas loses its title "
     "and soft-key rows"},
    {{128, 160}, "Series 40 and many other 128x160 phones: full-screen canvas 128x160"},
    {{176, 208}, "Nokia Series 60: full-screen canvas 176x208, standard canvas 176x144"},
    {{240, 320},
     "QVGA phones: full screen 240x320; a standard canvas loses its title and "
     "soft-key rows"},
}};

inline constexpr int kLargestScreenSide = 4096;

// "176x208" -> {176, 208}; nothing for any other form or a side outside 1..4096.
std::optional<TScreen> ParseScreen(std::string_view text);

}  // namespace quorix::preview
