// int_conversion.h - the one rule for numbers the user types (part size, screen width).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorix {

// Leading blanks skipped; then a signed decimal in the 32-bit range, or "$", "x",
// "X", "0x", "0X" and hexadecimal digits taken as a 32-bit two's-complement value.
// Nothing may follow. Returns nullopt for anything else.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, but a failure raises TBookError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

std::string NotAnIntegerMessage(std::string_view text);

}  // namespace quorix
