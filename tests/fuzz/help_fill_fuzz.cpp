// help_fill_fuzz.cpp - any info text lands verbatim, and only the template's placeholders are
// filled.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "book/help_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9) return 0;
    std::uint64_t numbers = 0;
    for (int i = 0; i < 8; ++i) numbers = numbers << 8 | data[i];
    std::string info(reinterpret_cast<const char*>(data) + 9, size - 9);
    quorix::HelpLanguage language = data[8] & 1;
    std::string_view templ = quorix::THelpText::Template(language);
    std::uint64_t total = numbers & 0xFFFFFFFFFFull;
    std::uint64_t k = 1 + (numbers >> 40 & 0xFF), n = k + (numbers >> 48 & 0xFF);
    std::uint64_t part = total % 100000;
    std::string filled =
        quorix::THelpText::Fill(templ, info, total, k, n, part, data[8] & 2 ? ',' : '.');
    std::size_t expected = templ.size() - 5 * quorix::kPlaceholder.size() + info.size() +
                           quorix::FormatKilobytes(total, '.').size() + std::to_string(k).size() +
                           std::to_string(n).size() + quorix::FormatKilobytes(part, '.').size();
    if (filled.size() != expected) std::abort();
    // The info text follows the first placeholder's prefix unchanged.
    std::size_t at = templ.find(quorix::kPlaceholder);
    if (filled.compare(0, at, templ.substr(0, at)) != 0 ||
        filled.compare(at, info.size(), info) != 0) {
        std::abort();
    }
    return 0;
}
