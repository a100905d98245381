// line_joiner.cpp - the Text command: joins wrapped lines, shortens other CR LF to CR.
#include "tools/line_joiner.h"

#include <stdexcept>

#include "tools/tool_files.h"

namespace quorix {

void JoinLinesInPlace(std::string& text) {
    TLineJoiner joiner;
    std::string out;
    out.reserve(text.size());
    joiner.Feed(text, out);
    joiner.Finish(out);
    text.swap(out);
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
