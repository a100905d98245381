// reader_font.h - font.dat loaded the way the reader loads it, glyph records and all.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace quorix::preview {

// Raised where the reader's own paint would fail with an array index out of range; the reader
// then ends that paint silently, so the page keeps what was drawn before.
class TPaintAborted : public std::runtime_error {
  public:
    TPaintAborted() : std::runtime_error("paint aborted") {}
};

// The glyph table exactly as the reader fills it: a file that is short, inconsistent or holds
// widths and sizes beyond the format is read as far as the reader reads it, and byte values
// without a record of their own use the record of byte value 0.
class TReaderFont {
  public:
    TReaderFont() = default;  // a missing font.dat: height 0, no glyphs
    explicit TReaderFont(std::span<const std::uint8_t> fontDat);

    int Height() const { return height_; }
    // Width of the glyph of byte value b (0 means no glyph).
    int Width(std::uint8_t b) const { return buff_[Record(b)]; }
    // Column word c of that glyph, bit k = row k, rows at and below the height cleared.
    std::uint16_t Column(std::uint8_t b, int c) const {
        return static_cast<std::uint16_t>(buff_[Record(b) + 1 + c]);
    }
    // The record of byte value b: its width, then that many column words.
    const std::int16_t* Glyph(std::uint8_t b) const { return buff_.data() + Record(b); }

  private:
    std::size_t Record(std::uint8_t b) const;

    int height_ = 0;
    std::array<std::int16_t, 256> offset_{};  // the reader keeps record positions as shorts
    std::vector<std::int16_t> buff_ = std::vector<std::int16_t>(1);
};

}  // namespace quorix::preview
