// preview_test_support.cpp - font.dat and document builders.
#include "preview_test_support.h"

namespace quorix::preview::test {

TBytes FontDat(int height, const std::array<int, 256>& widths, std::uint16_t column) {
    int sum = 0;
    for (const int w : widths) {
        sum += w;
    }
    const int table = 256 + 2 * sum;
    TBytes dat{static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(table >> 8),
               static_cast<std::uint8_t>(table)};
    for (const int w : widths) {
        dat.push_back(static_cast<std::uint8_t>(w));
        for (int c = 0; c < w; ++c) {
            dat.push_back(static_cast<std::uint8_t>(column >> 8));
            dat.push_back(static_cast<std::uint8_t>(column));
        }
    }
    return dat;
}

std::array<int, 256> Widths(int printable) {
    std::array<int, 256> widths{};
    for (int j = 32; j < 256; ++j) {
        widths[j] = printable;
    }
    return widths;
}

TBytes Doc(std::string_view text) {
    const auto n = static_cast<std::uint32_t>(text.size());
    TBytes doc{static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
               static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
    for (const char c : text) {
        doc.push_back(static_cast<std::uint8_t>(c));
    }
    return doc;
}

}  // namespace quorix::preview::test
