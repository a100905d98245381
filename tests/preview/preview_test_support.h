// preview_test_support.h - font.dat and documents made to measure for the renderer's tests.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorix::preview::test {

using TBytes = std::vector<std::uint8_t>;

// font.dat of the given height; byte j has widths[j] columns, each the column word `column`.
TBytes FontDat(int height, const std::array<int, 256>& widths, std::uint16_t column);

// Widths: `printable` for bytes 32 to 255, 0 for the control bytes.
std::array<int, 256> Widths(int printable);

// A document: 4-byte big-endian length, then the text.
TBytes Doc(std::string_view text);

}  // namespace quorix::preview::test
