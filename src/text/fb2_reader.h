// fb2_reader.h - FictionBook 2 documents as plain lines, and their title-info.
#pragma once

#include "text/book_info.h"
#include "text/byte_reader.h"
#include "text/text_lines.h"

namespace quorix {

// Reads an FB2 document in the encoding its XML declaration names. The main
// bodies go to `text` in reading order, bodies named "notes" or "comments" to
// `notes`, as armored UTF-8 (xml_armor.h); images and binary parts are left out.
// With both null only the description is read. Raises TTextError when the XML is
// malformed. `armor` false parses the document as it is (slower), for comparison.
TBookInfo ReadFb2(TByteReader& in, TLineSink* text, TLineSink* notes, bool armor = true);

// Whether these first bytes of a file start an FB2 document.
bool LooksLikeFb2(std::string_view start);

}  // namespace quorix
