// xml_support.cpp - feeding libxml2's push parsers and small text helpers.
#include "text/xml_support.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <vector>

#include "text/text_error.h"

namespace quorix {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::string ParserMessage(xmlParserCtxt* ctxt) {
    const xmlError* error = xmlCtxtGetLastError(ctxt);
    if (error == nullptr || error->message == nullptr) return "not well-formed";
    std::string message = error->message;
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message + " (line " + std::to_string(error->line) + ")";
}

}  // namespace

void TParserFree::operator()(xmlParserCtxt* ctxt) const {
    if (ctxt->myDoc != nullptr) xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    xmlFreeParserCtxt(ctxt);
}

void FeedParser(xmlParserCtxt* ctxt, TByteReader& in, const std::string& what, const bool& stopped,
                bool html) {
    std::vector<char> buffer(kChunk);
    for (;;) {
        std::size_t n = in.Read(buffer.data(), buffer.size());
        int rc = html ? htmlParseChunk(ctxt, buffer.data(), static_cast<int>(n), n == 0)
                      : xmlParseChunk(ctxt, buffer.data(), static_cast<int>(n), n == 0);
        if (stopped) return;
        if (rc != 0 && !html) throw TTextError(what + " is malformed: " + ParserMessage(ctxt));
        if (n == 0) break;
    }
    if (!html && !ctxt->wellFormed)
        throw TTextError(what + " is malformed: " + ParserMessage(ctxt));
}

std::string FoldSpaces(std::string_view text) {
    std::string out;
    bool space = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += c;
    }
    return out;
}

std::string_view LocalName(std::string_view name) {
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace quorix
