// epub_reader_test.cpp - what of a content document reaches the book: the visible body text,
// in the shapes producers write it.
#include "text/epub_reader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <utility>
#include <vector>

#include "text/text_lines.h"

namespace quorix {
namespace {

const char kContainer[] =
    "<?xml version=\"1.0\"?><container version=\"1.0\" "
    "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
    "full-path=\"OPS/book.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
    "</container>";

// A head as Sphinx, calibre and DocBook write it.
const std::string kHead =
    "<head><meta charset=\"utf-8\" /><meta name=\"generator\" content=\"Docutils\" />"
    "<title>Not text</title><link rel=\"stylesheet\" href=\"s.css\" /><base href=\"x/\" />"
    "<script>var a = 'not text';</script><style>p { }</style></head>";

std::string Xhtml(const std::string& body,
                  const std::string& declaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>") {
    return declaration +
           "<html xmlns=\"http://www.w3.org/1999/xhtml\" "
           "xmlns:epub=\"http://www.idpf.org/2007/ops\">" +
           kHead + "<body>" + body + "</body></html>";
}

struct TDocument {
    std::string name, bytes;
};

// The book's text as the reader writes it, CR for every line end.
std::string ReadBook(const std::vector<TDocument>& documents,
                     const std::vector<std::string>& spine) {
    std::string items, refs;
    for (std::size_t i = 0; i < spine.size(); ++i) {
        items += "<item id=\"i" + std::to_string(i) + "\" href=\"" + spine[i] +
                 "\" media-type=\"application/xhtml+xml\"/>";
        refs += "<itemref idref=\"i" + std::to_string(i) + "\"/>";
    }
    std::vector<TDocument> files = documents;
    files.push_back({"META-INF/container.xml", kContainer});
    files.push_back({"OPS/book.opf",
                     "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
                     "version=\"3.0\"><metadata/><manifest>" +
                         items + "</manifest><spine>" + refs + "</spine></package>"});
    zip_error_t error;
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(memory);
    zip_t* zip = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    for (const TDocument& file : files) {
        zip_source_t* data = zip_source_buffer(zip, file.bytes.data(), file.bytes.size(), 0);
        zip_file_add(zip, file.name.c_str(), data, ZIP_FL_OVERWRITE);
    }
    zip_close(zip);
    zip_source_open(memory);
    zip_source_seek(memory, 0, SEEK_END);
    std::string bytes(static_cast<std::size_t>(zip_source_tell(memory)), '\0');
    zip_source_seek(memory, 0, SEEK_SET);
    zip_source_read(memory, bytes.data(), bytes.size());
    zip_source_close(memory);
    zip_source_free(memory);

    std::optional<TZipArchive> archive = TZipArchive::OpenMemory(bytes);
    EXPECT_TRUE(archive.has_value());
    TStringSink sink;
    TTextLines lines(sink);
    ReadEpubText(*archive, ReadEpubPackage(*archive), lines);
    lines.Finish();
    return sink.Text();
}

struct TCase {
    const char* what;
    std::string body;
    std::string expected;
};

const TCase kCases[] = {
    {"the head is skipped whole, the body kept", "<p>One.</p><p>Two.</p>", "One.\rTwo.\r"},
    {"pre keeps its line breaks, not the first one",
     "<p>Code:</p><pre>\nint a;\n\nint b;\n</pre><p>After.</p>",
     "Code:\rint a;\r\rint b;\rAfter.\r"},
    {"inline SVG, display:none and the hidden attribute are left out",
     "<p>Seen<svg xmlns=\"http://www.w3.org/2000/svg\"><text>drawn</text></svg>.</p>"
     "<p style=\"color: red; DISPLAY : None\">styled away</p><p hidden=\"\">hidden</p>"
     "<nav epub:type=\"landmarks\" hidden=\"hidden\"><a href=\"#x\">Landmarks</a></nav>"
     "<p>End.</p>",
     "Seen.\rEnd.\r"},
    {"a note keeps its text after the chapter, its way back is dropped",
     "<p>Text<a id=\"r1\" href=\"#n1\">1</a> and more<a id=\"r2\" href=\"#n2\">[2]</a>.</p>"
     "<aside id=\"n1\" epub:type=\"footnote\"><p><a href=\"#r1\">1</a> First note. "
     "<a href=\"#r1\" role=\"doc-backlink\">\xE2\x86\xA9\xEF\xB8\x8E</a></p></aside>"
     "<div id=\"n2\"><p><a href=\"#r2\">[2]</a> Second note, <a href=\"#r2\">see the text</a>."
     "</p></div>",
     "Text1 and more[2].\rFirst note.\rSecond note, see the text.\r"},
    {"an end tag that matches nothing open is ignored", "<p>A</span>B</p></div><p>C</p>",
     "AB\rC\r"},
    {"an image-only document gives nothing", "<div><img src=\"cover.png\" alt=\"\"/></div>", ""},
};

TEST(EpubReader, KeepsTheVisibleBodyText) {
    for (const TCase& c : kCases) {
        EXPECT_EQ(ReadBook({{"OPS/a.xhtml", Xhtml(c.body)}}, {"a.xhtml"}), c.expected) << c.what;
    }
}

TEST(EpubReader, ReadsEachDocumentOnceWhateverFragmentsTheSpineNames) {
    EXPECT_EQ(ReadBook({{"OPS/a.xhtml", Xhtml("<p id=\"s1\">One.</p><p id=\"s2\">Two.</p>")},
                        {"OPS/b.xhtml", Xhtml("<p>Three.</p>")}},
                       {"a.xhtml#s1", "a.xhtml#s2", "b.xhtml", "a.xhtml"}),
              "One.\rTwo.\rThree.\r");
}

TEST(EpubReader, HonoursTheDocumentsDeclaredEncoding) {
    // "Привет" in windows-1251 and in KOI8-R.
    const std::string cp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
    const std::string koi8 = "\xF0\xD2\xC9\xD7\xC5\xD4";
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const std::pair<std::string, std::string> kDeclared[] = {
        {"<?xml version='1.0' encoding='windows-1251'?>", cp1251},
        {"<?xml version=\"1.0\" encoding=\"KOI8-R\" ?>", koi8},
    };
    for (const auto& [declaration, word] : kDeclared) {
        EXPECT_EQ(
            ReadBook({{"OPS/a.xhtml", Xhtml("<p>" + word + "</p>", declaration)}}, {"a.xhtml"}),
            privet + "\r")
            << declaration;
    }
    // A meta charset only (HTML written as XHTML by older tools).
    std::string meta =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=windows-1251\"/></head><body><p>" +
        cp1251 + "</p></body></html>";
    EXPECT_EQ(ReadBook({{"OPS/a.xhtml", meta}}, {"a.xhtml"}), privet + "\r");
    // The XML declaration comes first: a meta that contradicts it is not obeyed.
    std::string both = "<?xml version=\"1.0\" encoding=\"utf-8\"?><html><head><meta "
                       "charset=\"iso-8859-1\"/></head><body><p>" + privet + "</p></body></html>";
    EXPECT_EQ(ReadBook({{"OPS/a.xhtml", both}}, {"a.xhtml"}), privet + "\r");
}

}  // namespace
}  // namespace quorix
