// strong_deflater.h - whole-buffer raw deflate with libdeflate's near-optimal parser.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct libdeflate_compressor;

namespace quorix {

// Which engine makes the data of deflated entries.
enum class TZWDeflater {
    zlib,       // zlib at the entry's level, fed block by block with flush points
    strongest,  // libdeflate's near-optimal parser for an entry that fits one block
};

// One libdeflate compressor, reused for every entry of a writer. It sees the whole
// entry at once, which is what lets it choose its blocks better than a streaming
// deflater; not for use by two threads at once.
class TStrongDeflater {
  public:
    // Raises ECompressionError when the compressor cannot be allocated.
    TStrongDeflater();
    ~TStrongDeflater();
    TStrongDeflater(const TStrongDeflater&) = delete;
    TStrongDeflater& operator=(const TStrongDeflater&) = delete;

    // Appends the raw deflate stream of `source` (no header, no trailer) to `out` and
    // returns its length; an empty source gives an empty stream.
    std::size_t Deflate(std::string_view source, std::string& out);

  private:
    struct Free {
        void operator()(libdeflate_compressor* compressor) const;
    };
    std::unique_ptr<libdeflate_compressor, Free> compressor_;
};

}  // namespace quorix
