// reader_document.h - book.dat or help.dat as the reader loads it, one page at a time.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorix::preview {

// The reader reads at most this many text bytes per page load.
inline constexpr int kPageReadSize = 2998;

class TReaderDocument {
  public:
    TReaderDocument() = default;  // a missing document: length 0, no text
    explicit TReaderDocument(std::vector<std::uint8_t> fileBytes);

    // The length field, signed, as the reader reads it; only the progress bar uses it.
    std::int32_t Size() const { return size_; }
    // Text bytes after the length field, however many the file really holds.
    int TextLength() const { return static_cast<int>(text_.size()); }
    // The bytes a page load at `offset` puts into the reader's page buffer.
    std::span<const std::uint8_t> PageData(int offset) const;

  private:
    std::int32_t size_ = 0;
    std::vector<std::uint8_t> text_;
};

}  // namespace quorix::preview
