// entry_compressor.h - deflates one source file into the archive block by block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string_view>

#include "archive/archive_file.h"

namespace quorix {

// Source bytes handed to the engine per call: larger blocks at higher levels.
std::size_t BlockSizeForLevel(int level);

struct TZWCompressedData {
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t method = 0;
};

// Writes the entry data of `source` (positioned at 0, `sourceSize` bytes) at the archive's
// position: a raw deflate stream at `level` for `method` 8, the bytes themselves for
// method 0, nothing for an empty source (which then reports method 0). Each block but
// the last ends with a sync flush, so its output goes out before the next is read.
// A source or archive that falls short raises EZWException code 34 (named after
// `instanceName`); an engine error raises ECompressionError.
TZWCompressedData CompressEntry(std::istream& source, std::uint64_t sourceSize, int level,
                                std::uint16_t method, TArchiveFile& archive,
                                std::string_view instanceName);

}  // namespace quorix
