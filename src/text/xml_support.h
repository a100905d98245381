// xml_support.h - libxml2 glue shared by the FB2 and EPUB readers.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "text/byte_reader.h"

typedef struct _xmlParserCtxt xmlParserCtxt;

namespace quorix {

// Frees a parser's context together with the document libxml2 makes for the declarations
// of an internal subset (entities), which is left to the caller even in SAX parsing.
struct TParserFree {
    void operator()(xmlParserCtxt* ctxt) const;
};
using TParserContext = std::unique_ptr<xmlParserCtxt, TParserFree>;

// Feeds everything `in` gives to a push parser, then ends the document. Raises
// TTextError("<what> is malformed: <libxml2's message>") when the parser fails,
// unless parsing was stopped on purpose (`stopped`).
void FeedParser(xmlParserCtxt* ctxt, TByteReader& in, const std::string& what, const bool& stopped,
                bool html);

// Whitespace runs folded to one space, none at either end.
std::string FoldSpaces(std::string_view text);

// The local part of an element name: "dc:title" gives "title".
std::string_view LocalName(std::string_view name);

}  // namespace quorix
