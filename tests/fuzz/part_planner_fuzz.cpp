// part_planner_fuzz.cpp - cuts give the text back, within the part size, at sentence ends.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "book/part_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t partSize = 1 + (data[0] | data[1] << 8) % 512;
    std::string_view source(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string joined;
    for (std::size_t pos = 0; pos < source.size();) {
        std::string_view read = source.substr(pos, partSize);
        bool full = read.size() == partSize;
        std::size_t length = quorix::CutLength(read, full);
        if (length == 0 || length > read.size()) std::abort();
        char last = read[length - 1];
        bool atEnd = last == '.' || last == '?' || last == '!';
        bool holdsNone = read.find_first_of(".?!") == std::string_view::npos;
        if (full && !atEnd && !holdsNone) std::abort();
        joined.append(read.substr(0, length));
        pos += length;
    }
    if (joined != source) std::abort();
    return 0;
}
