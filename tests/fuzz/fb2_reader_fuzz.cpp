// fb2_reader_fuzz.cpp - any bytes read as FB2 fail cleanly or give lines of valid, folded UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/byte_reader.h"
#include "text/code_page_encoder.h"
#include "text/fb2_reader.h"
#include "text/text_error.h"
#include "text/text_lines.h"

namespace {

// Every line ends with CR and neither begins nor ends with a space.
void CheckLines(std::string_view text) {
    if (quorix::FindInvalidUtf8(text) != std::string_view::npos) std::abort();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\r', start);
        if (end == std::string_view::npos) std::abort();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && (line.front() == ' ' || line.back() == ' ')) std::abort();
        if (line.find('\n') != std::string_view::npos) std::abort();
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quorix::TStringSink textSink, notesSink;
    quorix::TTextLines textLines(textSink), notesLines(notesSink);
    try {
        quorix::TMemoryReader reader(bytes);
        quorix::ReadFb2(reader, &textLines, &notesLines);
        textLines.Finish();
        notesLines.Finish();
    } catch (const quorix::TTextError&) {
        return 0;
    }
    CheckLines(textSink.Text());
    CheckLines(notesSink.Text());
    quorix::TMemoryReader again(bytes);
    quorix::ReadFb2(again, nullptr, nullptr);  // the description alone reads as well
    return 0;
}
