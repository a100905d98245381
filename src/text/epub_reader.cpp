// epub_reader.cpp - container, package and spine through libxml2; XHTML through its HTML parser.
#include "text/epub_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>

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

// The XHTML of one content document, read as HTML so that its named entities are known.
class THtmlText {
  public:
    explicit THtmlText(TLineSink& text) : text_(text) {}

    void Start(std::string_view name) {
        if (skip_ > 0 || name == "head" || name == "script" || name == "style" || name == "title" ||
            name == "noscript") {
            ++skip_;
            return;
        }
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
    }
    void End(std::string_view name) {
        if (skip_ > 0) {
            if (name == "head" || name == "script" || name == "style" || name == "title" ||
                name == "noscript")
                --skip_;
            return;
        }
        if (IsHeading(name) || IsBlock(name)) text_.EndLine();
    }
    void Characters(std::string_view chars) {
        if (skip_ == 0) text_.Text(chars);
    }

  private:
    static bool IsHeading(std::string_view n) {
        return n.size() == 2 && n[0] == 'h' && n[1] >= '1' && n[1] <= '6';
    }
    static bool IsBlock(std::string_view n) {
        static constexpr std::string_view kBlocks[] = {
            "p",       "div",    "li",    "blockquote", "tr",     "dt",         "dd",
            "pre",     "table",  "ul",    "ol",         "dl",     "section",    "article",
            "header",  "footer", "aside", "nav",        "figure", "figcaption", "hr",
            "address", "center", "body",  "caption"};
        for (std::string_view b : kBlocks) {
            if (n == b) return true;
        }
        return false;
    }

    TLineSink& text_;
    int skip_ = 0;
};

THtmlText& Of(void* user) {
    return *static_cast<THtmlText*>(user);
}

std::string_view Chars(const xmlChar* s) {
    return reinterpret_cast<const char*>(s);
}

void OnStart(void* user, const xmlChar* name, const xmlChar**) {
    Of(user).Start(LocalName(Chars(name)));
}
void OnEnd(void* user, const xmlChar* name) {
    Of(user).End(LocalName(Chars(name)));
}
void OnCharacters(void* user, const xmlChar* chars, int length) {
    Of(user).Characters(
        std::string_view(reinterpret_cast<const char*>(chars), static_cast<std::size_t>(length)));
}
void Quiet(void*, const char*, ...) {}

void ReadDocument(const TZipArchive& archive, const std::string& name, TLineSink& text) {
    THtmlText html(text);
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
    const std::string start = ReadUpTo(*in, 4);
    // Content documents are UTF-8 unless a byte-order mark says UTF-16.
    xmlCharEncoding encoding = XML_CHAR_ENCODING_UTF8;
    if (start.substr(0, 2) == "\xFF\xFE") encoding = XML_CHAR_ENCODING_UTF16LE;
    if (start.substr(0, 2) == "\xFE\xFF") encoding = XML_CHAR_ENCODING_UTF16BE;
    TParserContext ctxt(htmlCreatePushParserCtxt(
        &sax, &html, start.data(), static_cast<int>(start.size()), nullptr, encoding));
    if (!ctxt) throw TTextError("The EPUB book can not be read: out of memory");
    htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
    const bool never = false;
    FeedParser(ctxt.get(), *in, name, never, true);
    text.EndLine();
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
        result.spine.push_back(item->second);
    }
    CheckNotProtected(archive, result.spine);
    return result;
}

void ReadEpubText(const TZipArchive& archive, const TEpubPackage& package, TLineSink& text) {
    for (const std::string& name : package.spine) ReadDocument(archive, name, text);
}

}  // namespace quorix
