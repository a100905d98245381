// screen_sizes.cpp - parsing WIDTHxHEIGHT.
#include "preview/screen_sizes.h"

#include <charconv>

namespace quorix::preview {

namespace {

std::optional<int> Side(std::string_view digits) {
    int value = 0;
    const char* end = digits.data() + digits.size();
    auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || digits[0] == '+' || digits[0] == '-' || ec != std::errc{} || ptr != end ||
        value < 1 || value > kLargestScreenSide) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<TScreen> ParseScreen(std::string_view text) {
    const std::size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> width = Side(text.substr(0, x));
    const std::optional<int> height = Side(text.substr(x + 1));
    if (!width || !height) {
        return std::nullopt;
    }
    return TScreen{*width, *height};
}

}  // namespace quorix::preview
