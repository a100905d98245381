// index_page.cpp - relative links, so that the page works under whatever address and
// path prefix the phone reached it by.
#include "serve/index_page.h"

#include <cstdio>

namespace quorix::serve {
namespace {

std::string EscapeHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

void AddLinks(std::string& page, const TShelfPart& part) {
    if (part.jad) page += "<a href=\"" + EncodePathSegment(part.jad->name) + "\">JAD</a>";
    if (part.jad && part.jar) page += " | ";
    if (part.jar) {
        page += "<a href=\"" + EncodePathSegment(part.jar->name) + "\">JAR</a> " +
                ShortSize(part.jar->size);
    }
}

}  // namespace

std::string EncodePathSegment(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string ShortSize(std::uint64_t bytes) {
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%llu KB",
                      static_cast<unsigned long long>((bytes + 1023) / 1024));
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    }
    return text;
}

std::string IndexPage(const std::vector<TShelfBook>& books) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width\"><title>Books</title>"
        "<style>body{font-family:sans-serif;margin:4px;word-wrap:break-word;"
        "overflow-wrap:break-word}</style></head>\n<body><h3>Books</h3>\n"
        "<p><small>Pick JAD to install. J2ME Loader: JAR.</small></p>\n";
    if (books.empty()) page += "<p>No books here yet.</p>\n";
    for (const TShelfBook& book : books) {
        page += "<p><b>" + EscapeHtml(book.name) + "</b>";
        for (const TShelfPart& part : book.parts) {
            page += "<br>\n";
            if (part.number != 0) page += std::to_string(part.number) + ": ";
            AddLinks(page, part);
        }
        page += "</p>\n";
    }
    page += "</body></html>\n";
    return page;
}

}  // namespace quorix::serve
