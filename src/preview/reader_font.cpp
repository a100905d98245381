// reader_font.cpp - font.dat as the reader reads it: height, table size, records.
#include "preview/reader_font.h"

namespace quorix::preview {

namespace {

// Big-endian reads that stop at the end of the data, as the reader's do.
class TByteSource {
  public:
    explicit TByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Read(int count, int& value) {
        if (bytes_.size() - at_ < static_cast<std::size_t>(count)) {
            return false;
        }
        value = 0;
        for (int i = 0; i < count; ++i) {
            value = value << 8 | bytes_[at_++];
        }
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace

// Layout: height (1), table size (2), then for each byte value 0..255 its width (1) and that
// many columns (2 each). The table holds size + 1 entries; a record that would not fit ends
// the reading, and so does the end of the file.
TReaderFont::TReaderFont(std::span<const std::uint8_t> fontDat) {
    TByteSource in(fontDat);
    if (!in.Read(1, height_)) {
        return;
    }
    const int rows = height_ < 16 ? (1 << height_) - 1 : 0xFFFF;
    int tableSize = 0;
    if (!in.Read(2, tableSize)) {
        return;
    }
    buff_.assign(static_cast<std::size_t>(tableSize) + 1, 0);
    int pos = 0;
    for (int i = 0; i < 256; ++i) {
        int width = 0;
        if (!in.Read(1, width)) {
            return;
        }
        if (pos + width >= static_cast<int>(buff_.size())) {
            return;
        }
        buff_[pos] = static_cast<std::int16_t>(width);
        for (int c = 1; c <= width; ++c) {
            int column = 0;
            if (!in.Read(2, column)) {
                return;
            }
            buff_[pos + c] = static_cast<std::int16_t>(column & rows);
        }
        offset_[i] = static_cast<std::int16_t>(pos);
        pos += width + 1;
    }
}

std::size_t TReaderFont::Record(std::uint8_t b) const {
    const int rec = offset_[b];
    if (rec < 0) {
        throw TPaintAborted();
    }
    return static_cast<std::size_t>(rec);
}

}  // namespace quorix::preview
