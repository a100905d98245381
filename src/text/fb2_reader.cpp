// fb2_reader.cpp - a SAX reader of FB2: sections, titles, poems and notes become lines.
#include "text/fb2_reader.h"

#include <libxml/parser.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "text/text_error.h"
#include "text/xml_support.h"

namespace quorix {
namespace {

using TName = std::string_view;
constexpr std::size_t kFieldLimit = 4096;

// Where the characters being read belong.
enum class TField { None, BookTitle, AuthorPart };

class TFb2Parser {
  public:
    TFb2Parser(TLineSink* text, TLineSink* notes) : text_(text), notes_(notes) {}

    void Start(TName name, const xmlChar** attributes, int count);
    void End(TName name);
    void Characters(std::string_view chars);

    TBookInfo info;
    bool stopped = false;
    xmlParserCtxt* ctxt = nullptr;

  private:
    void StartInBody(TName name);
    std::string Field() const;

    TLineSink* text_;
    TLineSink* notes_;
    TLineSink* body_ = nullptr;  // the body being read, null outside the bodies
    int depth_ = 0;
    int titleInfoDepth_ = 0;  // > 0 inside description/title-info
    int skipDepth_ = 0;       // > 0 inside a binary or image
    TField field_ = TField::None;
    std::string fieldText_;
    std::string author_;
};

void TFb2Parser::Start(TName name, const xmlChar** attributes, int count) {
    ++depth_;
    if (skipDepth_ > 0 || name == "binary" || name == "image") {
        ++skipDepth_;
        return;
    }
    if (name == "title-info") ++titleInfoDepth_;
    if (titleInfoDepth_ > 0) {
        if (name == "book-title") field_ = TField::BookTitle;
        if (name == "author") author_.clear();
        if (name == "first-name" || name == "middle-name" || name == "last-name" ||
            name == "nickname")
            field_ = TField::AuthorPart;
        fieldText_.clear();
        return;
    }
    if (name == "body") {
        if (text_ == nullptr) return;
        body_ = text_;
        // Attributes come in fives: local name, prefix, URI, value start, value end.
        for (int i = 0; i < count; ++i) {
            const xmlChar** a = attributes + 5 * i;
            std::string_view value(reinterpret_cast<const char*>(a[3]),
                                   static_cast<std::size_t>(a[4] - a[3]));
            if (std::strcmp(reinterpret_cast<const char*>(a[0]), "name") == 0 &&
                (value == "notes" || value == "comments"))
                body_ = notes_;
        }
        body_->EndLine();
        return;
    }
    if (body_ != nullptr) StartInBody(name);
}

void TFb2Parser::StartInBody(TName name) {
    if (name == "title" || name == "subtitle") {
        body_->EndLine();
        body_->BlankBeforeNext();
    } else if (name == "stanza") {
        body_->EndLine();
        body_->BlankBeforeNext();
    } else if (name == "empty-line") {
        body_->EndLine();
        body_->BreakLine();
    } else if (name == "td" || name == "th") {
        body_->Text(" ");
    } else if (name != "strong" && name != "emphasis" && name != "style" && name != "a" &&
               name != "strikethrough" && name != "sub" && name != "sup" && name != "code") {
        body_->EndLine();  // p, v, section, epigraph, poem, cite, text-author, tr, ...
    }
}

void TFb2Parser::End(TName name) {
    --depth_;
    if (skipDepth_ > 0) {
        --skipDepth_;
        return;
    }
    if (titleInfoDepth_ > 0) {
        if (name == "book-title" && info.title.empty()) info.title = Field();
        if (field_ == TField::AuthorPart) {
            std::string part = Field();
            if (!part.empty()) author_ += (author_.empty() ? "" : " ") + part;
        }
        if (name == "author" && !author_.empty()) info.authors.push_back(author_);
        field_ = TField::None;
        if (name == "title-info") --titleInfoDepth_;
        return;
    }
    if (name == "description" && text_ == nullptr) {
        stopped = true;
        xmlStopParser(ctxt);
        return;
    }
    if (body_ == nullptr) return;
    if (name == "body") {
        body_->EndLine();
        body_ = nullptr;
    } else if (name == "title" || name == "subtitle" || name == "p" || name == "v" ||
               name == "text-author" || name == "tr" || name == "epigraph" || name == "poem" ||
               name == "stanza" || name == "cite" || name == "section" || name == "table") {
        body_->EndLine();
    }
}

std::string TFb2Parser::Field() const {
    return FoldSpaces(fieldText_);
}

void TFb2Parser::Characters(std::string_view chars) {
    if (skipDepth_ > 0) return;
    if (field_ != TField::None) {
        // A title or name is short; a damaged book must not make it huge.
        if (fieldText_.size() < kFieldLimit) fieldText_ += chars;
        return;
    }
    if (body_ != nullptr) body_->Text(chars);
}

TFb2Parser& Of(void* user) {
    return *static_cast<TFb2Parser*>(user);
}

void OnStart(void* user, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**,
             int count, int, const xmlChar** attributes) {
    Of(user).Start(reinterpret_cast<const char*>(name), attributes, count);
}

void OnEnd(void* user, const xmlChar* name, const xmlChar*, const xmlChar*) {
    Of(user).End(reinterpret_cast<const char*>(name));
}

void OnCharacters(void* user, const xmlChar* chars, int length) {
    Of(user).Characters(
        std::string_view(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(length)));
}

void Quiet(void*, const char*, ...) {}

}  // namespace

TBookInfo ReadFb2(TByteReader& in, TLineSink* text, TLineSink* notes) {
    TFb2Parser parser(text, text != nullptr && notes == nullptr ? text : notes);
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = OnStart;
    sax.endElementNs = OnEnd;
    sax.characters = OnCharacters;
    sax.cdataBlock = OnCharacters;
    sax.warning = Quiet;
    sax.error = Quiet;

    const std::string start = ReadUpTo(in, 4);
    TParserContext ctxt(xmlCreatePushParserCtxt(&sax, &parser, start.data(),
                                                static_cast<int>(start.size()), nullptr));
    if (!ctxt) throw TTextError("The FB2 book can not be read: out of memory");
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR);
    parser.ctxt = ctxt.get();
    FeedParser(ctxt.get(), in, "The FB2 book", parser.stopped, false);
    return parser.info;
}

bool LooksLikeFb2(std::string_view s) {
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    for (;;) {
        std::size_t at = s.find_first_not_of(" \t\r\n");
        if (at == std::string_view::npos) return false;
        s.remove_prefix(at);
        if (s.substr(0, 2) == "<?" || s.substr(0, 2) == "<!") {
            // A declaration, comment or document type: skip past its end.
            std::size_t end = s.substr(0, 4) == "<!--" ? s.find("-->") : s.find('>');
            if (end == std::string_view::npos) return false;
            s.remove_prefix(end + 1);
            continue;
        }
        if (s.empty() || s[0] != '<') return false;
        std::size_t nameEnd = s.find_first_of(" \t\r\n>/", 1);
        return LocalName(s.substr(1, nameEnd == std::string_view::npos ? nameEnd : nameEnd - 1)) ==
               "FictionBook";
    }
}

}  // namespace quorix
