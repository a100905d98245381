// fb2_reader.h - FictionBook 2 documents as plain lines, and their title-info.
#pragma once

#include "text/book_info.h"
#include "text/byte_reader.h"
#include "text/text_lines.h"

namespace quorix {

// Reads an FB2 document in the encoding its XML declaration names. The main
// bodies go to `text` in reading order, bodies named "notes" or "comments" to
// `notes`, as UTF-8; images and binary parts are left out.
// With both null only the description is read. Raises TTextError when the XML is
// malformed.
TBookInfo ReadFb2(TByteReader& in, TLineSink* text, TLineSink* notes);

// Whether these first bytes of a file start an FB2 document.
bool LooksLikeFb2(std::string_view start);

}  // namespace quorix
