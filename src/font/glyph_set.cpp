// glyph_set.cpp - collecting the byte values of a part's text and help page.
#include "font/glyph_set.h"

namespace quorix {

void TGlyphSet::Add(std::string_view bytes) {
    for (char c : bytes) flags_.set(static_cast<unsigned char>(c));
}

void TGlyphSet::DropControlBytes() {
    for (std::size_t j = 1; j < 32; ++j) flags_.reset(j);
}

}  // namespace quorix
