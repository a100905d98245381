// line_joiner_fuzz.cpp - joining never grows the text, and in place equals the copy.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/line_joiner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string joined = quorix::JoinLines(input);
    std::string inPlace = input;
    quorix::JoinLinesInPlace(inPlace);
    if (joined != inPlace) std::abort();
    // Each shortened CR LF pair takes one byte away, nothing else changes the size.
    std::size_t pairs = 0;
    for (std::size_t i = 1; i + 2 < size; ++i) {
        if (input[i] == '\r' && input[i + 1] == '\n') ++pairs;
    }
    if (joined.size() != size - pairs) std::abort();
    return 0;
}
