// int_conversion_fuzz.cpp - typed numbers: no crash, and decimal values read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "book/int_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    auto value = quorix::TryStrToInt(text);
    std::size_t start = text.find_first_not_of(' ');
    if (!value) return 0;
    std::string rest = text.substr(start);
    // A plain decimal without sign or leading zeros is the value's own spelling.
    bool plain = !rest.empty() && rest.find_first_not_of("0123456789") == std::string::npos &&
                 (rest.size() == 1 || rest[0] != '0');
    if (plain && std::to_string(*value) != rest) std::abort();
    return 0;
}
