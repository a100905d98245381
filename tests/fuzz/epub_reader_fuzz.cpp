// epub_reader_fuzz.cpp - any bytes read as an EPUB fail with a message or give valid UTF-8 lines.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/code_page_encoder.h"
#include "text/epub_reader.h"
#include "text/text_error.h"
#include "text/text_lines.h"
#include "text/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto archive = quorix::TZipArchive::OpenMemory(bytes);
    if (!archive) return 0;
    quorix::TStringSink text;
    quorix::TTextLines lines(text);
    try {
        quorix::IsEpub(*archive);
        quorix::TEpubPackage package = quorix::ReadEpubPackage(*archive);
        quorix::ReadEpubText(*archive, package, lines);
        lines.Finish();
    } catch (const quorix::TTextError& e) {
        if (std::string_view(e.what()).empty()) std::abort();
        return 0;
    }
    if (quorix::FindInvalidUtf8(text.Text()) != std::string_view::npos) std::abort();
    if (!text.Text().empty() && text.Text().back() != '\r') std::abort();
    return 0;
}
