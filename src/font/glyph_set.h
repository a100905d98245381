// glyph_set.h - which byte values a part's bitmap font needs a glyph for.
#pragma once

#include <bitset>
#include <string_view>

namespace quorix {

// One flag per byte value 0 to 255.
class TGlyphSet {
  public:
    void Clear() { flags_.reset(); }

    // Sets the flag of every byte value that occurs in `bytes`.
    void Add(std::string_view bytes);

    // Clears 1 to 31: line breaks and tabs are layout, not glyphs. Byte 0 stays,
    // since a text that holds it must show something there.
    void DropControlBytes();

    // False for values outside 0 to 255.
    bool Contains(int j) const {
        return j >= 0 && j < 256 && flags_.test(static_cast<std::size_t>(j));
    }

  private:
    std::bitset<256> flags_;
};

}  // namespace quorix
