// font_dat.cpp - encoding, checking and writing font.dat.
#include "font/font_dat.h"

#include <numeric>
#include <stdexcept>
#include <system_error>

#include "book/book_error.h"
#include "base/byte_order.h"
#include "book/file_writer.h"

namespace quorix {

void CheckGlyphHeight(long long glyphHeight) {
    if (glyphHeight > kMaxGlyphHeight) {
        throw TBookError(std::string(kMsgFontTooHigh) + std::to_string(glyphHeight) +
                         " rows, the limit is " + std::to_string(kMaxGlyphHeight));
    }
}

void CheckGlyphWidths(std::span<const int, 256> widths) {
    for (std::size_t j = 0; j < widths.size(); ++j) {
        if (widths[j] > kMaxGlyphWidth) {
            throw TBookError(std::string(kMsgGlyphTooWide) + std::to_string(j) + " is " +
                             std::to_string(widths[j]) + " pixels wide, the limit is " +
                             std::to_string(kMaxGlyphWidth));
        }
    }
    long long tableSize = 256 + 2LL * std::accumulate(widths.begin(), widths.end(), 0LL);
    if (tableSize > kMaxTableSize) {
        throw TBookError(std::string(kMsgFontTooLarge) + std::to_string(tableSize) +
                         " bytes, the limit is " + std::to_string(kMaxTableSize));
    }
}

std::string EncodeFontDat(int glyphHeight, std::span<const std::uint8_t, 256> widthTable,
                          std::span<const std::uint16_t> columns) {
    std::size_t widthSum = std::accumulate(widthTable.begin(), widthTable.end(), std::size_t{0});
    if (widthSum != columns.size()) {
        throw std::logic_error("font.dat: widths and column count differ");
    }
    std::size_t tableSize = 256 + 2 * widthSum;
    std::string out;
    out.reserve(3 + tableSize);
    putU8(out, static_cast<std::uint8_t>(glyphHeight));    // h
    putU16BE(out, static_cast<std::uint16_t>(tableSize));  // T
    std::size_t cursor = 0;
    for (std::uint8_t width : widthTable) {
        putU8(out, width);                                                           // w
        for (std::size_t i = 0; i < width; ++i) putU16BE(out, columns[cursor + i]);  // column words
        cursor += width;
    }
    return out;
}

std::uintmax_t WriteFontDatFile(std::string_view bytes, const std::filesystem::path& tempDir,
                                TBuildLog& log) {
    std::filesystem::path path = tempDir / kFontDatName;
    WriteRawFile(bytes, path);
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) throw TBookError(IoErrorMessage(ec.value()));
    log.Add("Create font file " + path.string() + ", size " + std::to_string(size) + " bytes");
    return size;
}

}  // namespace quorix
