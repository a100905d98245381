// epub_reader.h - EPUB 2 and 3 books as plain lines, in spine order, and their metadata.
#pragma once

#include <string>
#include <vector>

#include "text/book_info.h"
#include "text/text_lines.h"
#include "text/zip_archive.h"

namespace quorix {

inline constexpr std::string_view kEpubMimeType = "application/epub+zip";

struct TEpubPackage {
    TBookInfo info;
    std::vector<std::string> spine;  // archive names of the content documents, in reading order
};

// Reads container.xml and the package document. Raises TTextError for a book
// that is malformed, names a missing file, or is protected by DRM.
TEpubPackage ReadEpubPackage(const TZipArchive& archive);

// Writes the text of every spine document to `text`.
void ReadEpubText(const TZipArchive& archive, const TEpubPackage& package, TLineSink& text);

// Whether the archive says it is an EPUB through its "mimetype" entry.
bool IsEpub(const TZipArchive& archive);

}  // namespace quorix
