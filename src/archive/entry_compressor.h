// entry_compressor.h - deflates one source file into the archive block by block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <string>
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
// `stop`, when set, is asked before each block; true raises EZWInterrupted.
TZWCompressedData CompressEntry(std::istream& source, std::uint64_t sourceSize, int level,
                                std::uint16_t method, TArchiveFile& archive,
                                std::string_view instanceName,
                                const std::function<bool()>& stop = {});

// The same run for a source already in memory: appends to `compressed` exactly the bytes
// CompressEntry would write.
TZWCompressedData CompressBytes(std::string_view source, int level, std::uint16_t method,
                                std::string& compressed);

// Deflated data of small sources kept between archives. A build packs the same few
// files into every archive it makes; each is deflated once as long as its bytes stay
// the same. One slot per stored name, replaced when the bytes change.
class TZWEntryCache {
  public:
    static constexpr std::size_t kMaxSourceSize = 64 * 1024;
    // Sources and their deflated data together; beyond this new names are not kept.
    static constexpr std::size_t kMaxTotalSize = 1024 * 1024;

    struct Item {
        int level = 0;
        std::uint16_t method = 0;
        std::string source;
        std::string compressed;
        TZWCompressedData data;
    };

    // The run kept under `name` when it was made from exactly `source` at this level and
    // method; null otherwise.
    const Item* Find(std::string_view name, std::string_view source, int level,
                     std::uint16_t method) const;
    // Keeps a run unless its source is too large or the cache is full.
    void Store(std::string_view name, Item item);
    std::size_t TotalSize() const { return total_; }

  private:
    std::map<std::string, Item, std::less<>> items_;
    std::size_t total_ = 0;
};

}  // namespace quorix
