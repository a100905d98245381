// line_joiner.cpp - the Text command: joins wrapped lines, shortens other CR LF to CR.
#include "tools/line_joiner.h"

#include <stdexcept>

#include "tools/tool_files.h"

namespace quorix {
namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;

}  // namespace

void JoinLinesInPlace(std::string& text) {
    // The last four input bytes, oldest first. Each pair is judged by its input
    // neighbours, so the window holds input bytes, never rewritten ones.
    std::array<char, 4> window{};
    std::size_t out = 0;  // never passes the read position, so one buffer serves both
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char b = text[i];
        window = {window[1], window[2], window[3], b};
        if (i >= 3 && window[1] == kCR && window[2] == kLF) {
            // The output ends with that CR LF now; it loses one byte.
            if (JoinChars.Contains(static_cast<unsigned char>(window[0])) &&
                JoinChars.Contains(static_cast<unsigned char>(b))) {
                text[out - 2] = ' ';
            }
            text[out - 1] = b;
        } else {
            text[out++] = b;
        }
    }
    text.resize(out);
}

std::string JoinLines(std::string_view text) {
    std::string result(text);
    JoinLinesInPlace(result);
    return result;
}

void WriteJoinedLines(const std::filesystem::path& input) {
    TToolFile source = TToolFile::OpenForReading(input);
    const std::uint64_t size = source.Size();
    TToolFile output = TToolFile::CreateBeside(input, ".txt");

    std::string text(size, '\0');
    const std::size_t got = source.Read(text.data(), text.size());
    if (got != size) {
        throw std::runtime_error("Cannot read file " + input.string() + ": it changed while read");
    }
    JoinLinesInPlace(text);
    output.Write(text);
    output.Close();
}

}  // namespace quorix
