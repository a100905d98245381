// epub_reader.cpp - container, package and spine through libxml2; XHTML through its HTML parser.
#include "text/epub_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>

#include "text/text_error.h"
#include "text/xml_support.h"

namespace quorix {
namespace {

constexpr std::size_t kPackageLimit = 16 * 1024 * 1024;
constexpr std::string_view kMalformed = "The EPUB book is malformed: ";
constexpr std::string_view kProtected =
    "The EPUB book is protected by DRM (encrypted content); it can not be read";
// Algorithms that only hide embedded fonts; the text stays readable.
constexpr std::string_view kFontObfuscation[] = {"http://www.idpf.org/2008/embedding",
                                                 "http://ns.adobe.com/pdf/enc#RC"};

using TDoc = std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)>;

TDoc ParseSmall(const TZipArchive& archive, const std::string& name) {
    if (!archive.Has(name)) throw TTextError(std::string(kMalformed) + name + " is missing");
    std::string bytes = archive.ReadAll(name, kPackageLimit);
    xmlDocPtr doc =
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), name.c_str(), nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr)
        throw TTextError(std::string(kMalformed) + name + " is not well-formed XML");
    return TDoc(doc, xmlFreeDoc);
}

std::string_view NameOf(const xmlNode* node) {
    return reinterpret_cast<const char*>(node->name);
}

std::string Attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr) return {};
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

std::string Content(const xmlNode* node) {
    xmlChar* value = xmlNodeGetContent(node);
    if (value == nullptr) return {};
    std::string s = FoldSpaces(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

// Calls `visit` for every element below `node`, depth first.
template <typename F>
void ForEachElement(const xmlNode* node, const F& visit) {
    for (const xmlNode* n = node; n != nullptr; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        visit(n);
        ForEachElement(n->children, visit);
    }
}

// "%20" and friends in a manifest href.
std::string DecodeUrl(std::string_view href) {
    std::string out;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() &&
            std::isxdigit(static_cast<unsigned char>(href[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(href[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(href.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += href[i];
        }
    }
    return out;
}

// The archive name of `href` relative to the directory of `base`, with "." and ".." resolved.
std::string Resolve(const std::string& base, std::string_view href) {
    std::string path =
        base.substr(0, base.rfind('/') + 1) + DecodeUrl(href.substr(0, href.find('#')));
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        std::size_t slash = path.find('/', at);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : "/") + part;
    return out;
}

std::string PackagePath(const TZipArchive& archive) {
    TDoc container = ParseSmall(archive, "META-INF/container.xml");
    std::string path;
    ForEachElement(xmlDocGetRootElement(container.get()), [&](const xmlNode* n) {
        if (path.empty() && NameOf(n) == "rootfile") path = Attribute(n, "full-path");
    });
    if (path.empty()) throw TTextError(std::string(kMalformed) + "container.xml names no package");
    return path;
}

// Encrypted content documents, other than fonts hidden from copying, mean DRM.
void CheckNotProtected(const TZipArchive& archive, const std::vector<std::string>& spine) {
    if (archive.Has("META-INF/rights.xml")) throw TTextError(std::string(kProtected));
    for (const std::string& name : spine) {
        if (archive.Encrypted(name)) throw TTextError(std::string(kProtected));
    }
    if (!archive.Has("META-INF/encryption.xml")) return;
    TDoc encryption = ParseSmall(archive, "META-INF/encryption.xml");
    bool protectedText = false;
    ForEachElement(xmlDocGetRootElement(encryption.get()), [&](const xmlNode* n) {
        if (NameOf(n) != "EncryptionMethod") return;
        std::string algorithm = Attribute(n, "Algorithm");
        bool font = false;
        for (std::string_view f : kFontObfuscation) font = font || algorithm == f;
        if (!font) protectedText = true;
    });
    if (protectedText) throw TTextError(std::string(kProtected));
}

// Elements whose content is never text of the book.
bool IsHiddenElement(std::string_view n) {
    static constexpr std::string_view kHidden[] = {"head",     "script", "style",   "title",
                                                   "noscript", "svg",    "template"};
    for (std::string_view h : kHidden) {
        if (n == h) return true;
    }
    return false;
}

bool IsHeading(std::string_view n) {
    return n.size() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6';
}

bool IsBlock(std::string_view n) {
    static constexpr std::string_view kBlocks[] = {
        "p",       "div",    "li",    "blockquote", "tr",     "dt",         "dd",
        "pre",     "table",  "ul",    "ol",         "dl",     "section",    "article",
        "header",  "footer", "aside", "nav",        "figure", "figcaption", "hr",
        "address", "center", "body",  "caption",    "main"};
    for (std::string_view b : kBlocks) {
        if (n == b) return true;
    }
    return false;
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Whether an inline style says "display: none", whatever its spacing and case.
bool StyleHides(std::string_view style) {
    std::string s;
    for (char c : style) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return Contains(s, "display:none");
}

// The text of a link back to a note's reference: digits, brackets and arrows only ("↩", "[1]").
bool IsNoteMark(std::string_view text) {
    static constexpr std::string_view kMarks[] = {"\u21A9", "\u2191", "\u21B5", "\u2934",
                                                  "\uFE0E", "\uFE0F", "\u2020", "\u2021"};
    bool any = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (!std::isdigit(c) && !std::isspace(c) && !Contains("[]()^*.,-", text.substr(i, 1)))
                return false;
            any = any || !std::isspace(c);
            ++i;
            continue;
        }
        bool mark = false;
        for (std::string_view m : kMarks) {
            if (text.substr(i, m.size()) == m) {
                i += m.size();
                mark = any = true;
                break;
            }
        }
        if (!mark) return false;
    }
    return any && text.size() <= 24;
}

// The XHTML of the content documents, read as HTML so that its named entities are known.
// Only the body's visible text is kept: the head whatever it holds, scripts, styles, inline
// SVG and whatever is hidden stay out, and so do the links from a note back to its reference.
class THtmlText {
  public:
    explicit THtmlText(TLineSink& text) : text_(text) {}

    void StartDocument(const std::string& name) {
        document_ = name;
        open_.clear();
        hidden_ = 0;
        pre_ = 0;
        link_ = false;
    }

    // A link left open at the end of its document keeps its text.
    void EndDocument() {
        if (link_) FlushLink();
    }

    void Start(std::string_view name, const xmlChar** attributes) {
        TOpen open{std::string(name), false, false, false};
        if (hidden_ > 0) {
            Push(std::move(open));
            return;
        }
        std::string_view id, href, style, role, type, cls;
        bool hiddenAttribute = false;
        for (const xmlChar** a = attributes; a != nullptr && a[0] != nullptr; a += 2) {
            const std::string_view key = Chars(a[0]);
            const std::string_view value = a[1] == nullptr ? std::string_view() : Chars(a[1]);
            if (key == "id" || (key == "name" && name == "a")) id = value;
            if (key == "href") href = value;
            if (key == "style") style = value;
            if (key == "role") role = value;
            if (key == "epub:type") type = value;
            if (key == "class") cls = value;
            if (key == "hidden") hiddenAttribute = true;
        }
        if (IsHiddenElement(name) || hiddenAttribute || StyleHides(style) ||
            Contains(role, "doc-backlink") || Contains(type, "backlink") ||
            Contains(cls, "footnote-back")) {
            open.hidden = true;
            Push(std::move(open));
            return;
        }
        if (link_ && !IsInline(name)) FlushLink();
        if (!href.empty() && !link_ && name == "a") {
            const std::string target = Target(href);
            // A link to a reference met before is a way back; its text is kept unless it
            // is only a note's mark.
            if (!target.empty() && links_.count(target) > 0) {
                open.link = true;
                link_ = true;
                linkText_.clear();
            }
        }
        if (!href.empty() && !id.empty()) links_.insert(document_ + "#" + std::string(id));

        if (name == "br") {
            text_.BreakLine();
        } else if (IsHeading(name)) {
            text_.EndLine();
            text_.BlankBeforeNext();
        } else if (name == "td" || name == "th") {
            text_.Text(" ");
        } else if (IsBlock(name)) {
            text_.EndLine();
        }
        if (name == "pre") {
            open.pre = true;
            ++pre_;
            preStart_ = true;
        }
        Push(std::move(open));
    }

    void End(std::string_view name) {
        // Close up to the innermost element of that name; an end tag that matches nothing
        // open is ignored, as browsers do.
        auto match = std::find_if(open_.rbegin(), open_.rend(),
                                  [&](const TOpen& o) { return o.name == name; });
        if (match == open_.rend()) return;
        const std::size_t keep =
            open_.size() - 1 - static_cast<std::size_t>(match - open_.rbegin());
        while (open_.size() > keep) {
            TOpen open = std::move(open_.back());
            open_.pop_back();
            Close(open);
        }
    }

    void Characters(std::string_view chars) {
        if (hidden_ > 0) return;
        if (link_) {
            linkText_ += chars;
            return;
        }
        if (pre_ == 0) {
            text_.Text(chars);
            return;
        }
        // Preformatted text keeps its line breaks; the first one after <pre> belongs to the tag.
        std::size_t at = 0;
        while (at <= chars.size()) {
            std::size_t nl = chars.find('\n', at);
            if (nl == std::string_view::npos) nl = chars.size();
            std::string_view line = chars.substr(at, nl - at);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!line.empty()) {
                text_.Text(line);
                preStart_ = false;
            }
            if (nl == chars.size()) break;
            if (!preStart_) text_.BreakLine();
            preStart_ = false;
            at = nl + 1;
        }
    }

  private:
    struct TOpen {
        std::string name;
        bool hidden;
        bool pre;
        bool link;
    };

    static std::string_view Chars(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

    static bool IsInline(std::string_view n) {
        return !IsBlock(n) && !IsHeading(n) && n != "br" && n != "td" && n != "th";
    }

    // The archive name and fragment a link points to: "ch2.xhtml#ref3", or "" without a fragment.
    std::string Target(std::string_view href) const {
        const std::size_t hash = href.find('#');
        if (hash == std::string_view::npos || hash + 1 == href.size()) return {};
        if (Contains(href.substr(0, hash), ":")) return {};  // another site
        const std::string file = hash == 0 ? document_ : Resolve(document_, href.substr(0, hash));
        return file + "#" + DecodeUrl(href.substr(hash + 1));
    }

    void Push(TOpen open) {
        if (open.hidden) ++hidden_;
        open_.push_back(std::move(open));
    }

    void Close(const TOpen& open) {
        if (open.hidden) {
            --hidden_;
            return;
        }
        if (hidden_ > 0) return;
        if (open.link && link_) {
            if (IsNoteMark(linkText_)) {
                link_ = false;
            } else {
                FlushLink();
            }
        }
        if (open.pre) --pre_;
        if (IsHeading(open.name) || IsBlock(open.name)) text_.EndLine();
    }

    void FlushLink() {
        link_ = false;
        text_.Text(linkText_);
        linkText_.clear();
    }

    TLineSink& text_;
    std::string document_;
    std::vector<TOpen> open_;
    int hidden_ = 0;  // open elements that hide what they hold
    int pre_ = 0;     // open pre elements
    bool preStart_ = false;
    bool link_ = false;  // gathering the text of a link back
    std::string linkText_;
    std::unordered_set<std::string> links_;  // "document#id" of every link met so far
};

THtmlText& Of(void* user) {
    return *static_cast<THtmlText*>(user);
}

void OnStart(void* user, const xmlChar* name, const xmlChar** attributes) {
    Of(user).Start(LocalName(reinterpret_cast<const char*>(name)), attributes);
}
void OnEnd(void* user, const xmlChar* name) {
    Of(user).End(LocalName(reinterpret_cast<const char*>(name)));
}
void OnCharacters(void* user, const xmlChar* chars, int length) {
    Of(user).Characters(
        std::string_view(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(length)));
}
void Quiet(void*, const char*, ...) {}

// The value of `key="value"` (or single quotes, or bare) after `at` in `head`.
std::string ValueAfter(std::string_view head, std::size_t at) {
    while (at < head.size() && (head[at] == ' ' || head[at] == '=' || head[at] == '"' ||
                                head[at] == '\'' || head[at] == '\t'))
        ++at;
    std::size_t end = at;
    while (end < head.size() &&
           (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
            head[end] == '_' || head[end] == '.' || head[end] == ':'))
        ++end;
    return std::string(head.substr(at, end - at));
}

// The encoding a document declares in its first bytes: its XML declaration, else a meta
// charset (either form). Empty when it declares none.
std::string DeclaredEncoding(std::string_view start) {
    const std::string head = Lower(start);
    if (head.rfind("<?xml", 0) == 0) {
        const std::size_t end = head.find("?>");
        const std::size_t at = head.find("encoding", 0);
        if (at != std::string::npos && at < end) return ValueAfter(head, at + 8);
    }
    for (std::size_t meta = head.find("<meta"); meta != std::string::npos;
         meta = head.find("<meta", meta + 5)) {
        const std::size_t close = head.find('>', meta);
        const std::size_t at = head.find("charset", meta);
        if (at != std::string::npos && at < close) return ValueAfter(head, at + 7);
    }
    return {};
}

constexpr std::size_t kSniff = 2048;

void ReadDocument(const TZipArchive& archive, const std::string& name, THtmlText& html) {
    htmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.startElement = OnStart;
    sax.endElement = OnEnd;
    sax.characters = OnCharacters;
    sax.cdataBlock = OnCharacters;
    sax.ignorableWhitespace = OnCharacters;
    sax.warning = Quiet;
    sax.error = Quiet;

    std::unique_ptr<TByteReader> in = archive.Reader(name);
    const std::string start = ReadUpTo(*in, kSniff);
    // A byte-order mark, else the document's own declaration, else UTF-8. Once the encoding is
    // known, a meta further on that contradicts it is not obeyed.
    xmlCharEncoding encoding = XML_CHAR_ENCODING_UTF8;
    xmlCharEncodingHandlerPtr declared = nullptr;
    bool known = true;
    if (start.substr(0, 2) == "\xFF\xFE") {
        encoding = XML_CHAR_ENCODING_UTF16LE;
    } else if (start.substr(0, 2) == "\xFE\xFF") {
        encoding = XML_CHAR_ENCODING_UTF16BE;
    } else if (start.substr(0, 3) != "\xEF\xBB\xBF") {
        const std::string named = DeclaredEncoding(start);
        known = named == "utf-8" || named == "utf8";
        if (!named.empty() && !known) {
            declared = xmlFindCharEncodingHandler(named.c_str());
            if (declared != nullptr) encoding = XML_CHAR_ENCODING_NONE;
            known = declared != nullptr;
        }
    }
    html.StartDocument(name);
    TParserContext ctxt(htmlCreatePushParserCtxt(&sax, &html, nullptr, 0, nullptr, encoding));
    if (!ctxt) {
        if (declared != nullptr) xmlCharEncCloseFunc(declared);
        throw TTextError("The EPUB book can not be read: out of memory");
    }
    if (declared != nullptr) xmlSwitchToEncoding(ctxt.get(), declared);
    htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                       (known ? HTML_PARSE_IGNORE_ENC : 0));
    htmlParseChunk(ctxt.get(), start.data(), static_cast<int>(start.size()), 0);
    const bool never = false;
    FeedParser(ctxt.get(), *in, name, never, true);
    html.EndDocument();
}

}  // namespace

bool IsEpub(const TZipArchive& archive) {
    if (!archive.Has("mimetype")) return false;
    try {
        std::string type = FoldSpaces(archive.ReadAll("mimetype", 256));
        return type == kEpubMimeType;
    } catch (const TTextError&) {
        return false;
    }
}

TEpubPackage ReadEpubPackage(const TZipArchive& archive) {
    const std::string packagePath = PackagePath(archive);
    TDoc package = ParseSmall(archive, packagePath);
    TEpubPackage result;
    std::map<std::string, std::string> manifest;  // id -> archive name
    std::vector<std::string> spineIds;
    ForEachElement(xmlDocGetRootElement(package.get()), [&](const xmlNode* n) {
        std::string_view name = NameOf(n);
        if (name == "title" && result.info.title.empty()) result.info.title = Content(n);
        if (name == "creator") {
            std::string creator = Content(n);
            if (!creator.empty()) result.info.authors.push_back(creator);
        }
        if (name == "item")
            manifest[Attribute(n, "id")] = Resolve(packagePath, Attribute(n, "href"));
        if (name == "itemref") spineIds.push_back(Attribute(n, "idref"));
    });
    if (spineIds.empty()) throw TTextError(std::string(kMalformed) + "its spine is empty");
    std::unordered_set<std::string> read;
    for (const std::string& id : spineIds) {
        auto item = manifest.find(id);
        if (item == manifest.end()) {
            throw TTextError(std::string(kMalformed) + "its spine names \"" + id +
                             "\", which the manifest lacks");
        }
        if (!archive.Has(item->second)) {
            throw TTextError(std::string(kMalformed) + "its spine names " + item->second +
                             ", which it does not hold");
        }
        // A document the spine names again (through several fragments of it) is read once.
        if (read.insert(item->second).second) result.spine.push_back(item->second);
    }
    CheckNotProtected(archive, result.spine);
    return result;
}

void ReadEpubText(const TZipArchive& archive, const TEpubPackage& package, TLineSink& text) {
    THtmlText html(text);
    for (const std::string& name : package.spine) {
        ReadDocument(archive, name, html);
        text.EndLine();
    }
}

}  // namespace quorix
