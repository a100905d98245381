// line_joiner_fuzz.cpp - joining never grows the text; in place, copy and stream agree.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/line_join.h"
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
    // The build's streaming joiner gives the same, however the text is cut into writes.
    const std::size_t chunk = size == 0 ? 1 : 1 + data[0] % 7;
    quorix::TLineJoiner stream;
    std::string streamed;
    for (std::size_t at = 0; at < size; at += chunk) {
        stream.Feed(std::string_view(input).substr(at, chunk), streamed);
    }
    stream.Finish(streamed);
    if (streamed != joined) std::abort();
    return 0;
}
