// book_source.cpp - names and information from a book's title-info, valid for the build.
#include "builder/book_source.h"

#include "builder/book_builder.h"
#include "book/code_page.h"
#include "text/code_page_encoder.h"
#include "text/nfc.h"

namespace quorix {
namespace {

constexpr std::size_t kMaxNameBytes = 200;

// The text as the code page can hold it, back in UTF-8, one character at a time,
// with control characters and the characters in `drop` made spaces and runs of
// spaces folded.
std::vector<std::string> Characters(const std::string& text, const std::string& codePage,
                                    std::string_view drop) {
    TCodePageEncoder encoder(codePage);  // it drops what shows nothing, once composed
    const std::string utf8 = ComposedNfcUtf8(text);
    std::vector<std::string> out;
    bool space = false;
    for (std::size_t i = 0; i < utf8.size();) {
        // A sequence that is not UTF-8 is one character the code page lacks.
        const auto* at = reinterpret_cast<const unsigned char*>(utf8.data() + i);
        std::size_t n = Utf8SequenceLength(*at);
        char32_t c = 0;
        if (n == 0 || i + n > utf8.size() || !DecodeUtf8Sequence(at, n, c)) {
            n = 1;
            c = 0xFFFD;
        }
        i += n;
        std::string bytes;
        encoder.Put(c, bytes);
        for (char b : bytes) {
            unsigned char u = static_cast<unsigned char>(b);
            if (u < 32 || u == 127 || u == ' ' || drop.find(b) != std::string_view::npos) {
                space = !out.empty();
                continue;
            }
            if (space) out.push_back(" ");
            space = false;
            out.push_back(CodePageToUtf8(std::string(1, b), codePage));
        }
    }
    return out;
}

}  // namespace

TTextOptions TextOptionsOf(const TBuildSettings& settings) {
    TTextOptions options;
    options.encoding = settings.sourceEncoding;
    options.codePage = settings.font.codePage;
    options.joinLines = settings.joinLines;
    return options;
}

std::string BookNameFromTitle(const std::string& title, const std::string& codePage) {
    std::string name;
    std::size_t codePageBytes = 0;
    // Beyond what the build refuses ("/", "\\", ","), the characters that memory cards' FAT
    // file systems refuse: a separator becomes "-", the others a space, so the JAR and JAD
    // copy onto a phone's card.
    for (const std::string& c : Characters(title, codePage, "/\\,*?\"<>")) {
        // Each character is one byte in the code page.
        if (codePageBytes + 1 > kMaxNameBytes || name.size() + c.size() > kMaxNameBytes) break;
        name += c == ":" || c == "|" ? "-" : c;
        ++codePageBytes;
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name == "." || name == "..") return {};
    return name;
}

std::string InfoFromBook(const TBookInfo& info, const std::string& codePage) {
    std::string text;
    for (const std::string& author : info.authors) text += (text.empty() ? "" : ", ") + author;
    if (!info.title.empty()) text += (text.empty() ? "" : ". ") + info.title;
    std::string out;
    for (const std::string& c : Characters(text, codePage, "")) out += c;
    return out;
}

TBuildSettings WithSourceNames(const TBuildSettings& settings) {
    if (!settings.bookNameFromSource && !settings.infoFromSource) return settings;
    TBuildSettings named = settings;
    try {
        const TBookInfo info = ReadBookInfo(settings.sourcePath);
        const std::string& codePage = settings.font.codePage;
        if (settings.bookNameFromSource) {
            std::string name = BookNameFromTitle(info.title, codePage);
            if (!name.empty()) named.bookName = name;
        }
        if (settings.infoFromSource) {
            std::string text = InfoFromBook(info, codePage);
            if (!text.empty()) named.infoText = text;
        }
    } catch (const std::exception&) {
        // An unknown code page or an unreadable book: the build reports it itself.
    }
    return named;
}

}  // namespace quorix
