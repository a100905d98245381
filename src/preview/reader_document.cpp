// reader_document.cpp - the length field and the text of a document.
#include "preview/reader_document.h"

#include <algorithm>

namespace quorix::preview {

// Layout: length (4, big-endian, signed), then the text. The reader reads the text to the end of
// the file, not to the length, and a file too short for the length field shows nothing.
TReaderDocument::TReaderDocument(std::vector<std::uint8_t> fileBytes) {
    if (fileBytes.size() < 4) {
        return;
    }
    const std::uint32_t length = std::uint32_t{fileBytes[0]} << 24 |
                                 std::uint32_t{fileBytes[1]} << 16 |
                                 std::uint32_t{fileBytes[2]} << 8 | std::uint32_t{fileBytes[3]};
    size_ = static_cast<std::int32_t>(length);
    fileBytes.erase(fileBytes.begin(), fileBytes.begin() + 4);
    text_ = std::move(fileBytes);
}

std::span<const std::uint8_t> TReaderDocument::PageData(int offset) const {
    const std::size_t from = std::min(text_.size(), static_cast<std::size_t>(std::max(offset, 0)));
    const std::size_t count = std::min(text_.size() - from, std::size_t{kPageReadSize});
    return std::span<const std::uint8_t>(text_).subspan(from, count);
}

}  // namespace quorix::preview
