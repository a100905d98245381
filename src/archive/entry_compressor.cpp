// entry_compressor.cpp - zlib driven as a raw deflater with per-block flush points.
#include "archive/entry_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "archive/zip_format.h"
#include "archive/zw_exception.h"

namespace quorix {

namespace {

// The memory level and window of a deflater that keeps 32 KiB of history; the negative
// window size asks zlib for raw deflate data, without its header and Adler-32 trailer.
constexpr int kMemLevel = 8;
constexpr int kRawWindowBits = -15;
// Output is drained in slices of this size; one slice is reused for every block.
constexpr std::size_t kOutputSlice = 256 * 1024;

// Ends the deflater on every path out of a run.
struct DeflaterGuard {
    z_stream stream{};
    bool active = false;
    ~DeflaterGuard() {
        if (active) {
            deflateEnd(&stream);
        }
    }
    int End() {
        active = false;
        return deflateEnd(&stream);
    }
};

// Feeds one block and hands everything the engine produces for it to `sink`; false when
// the sink refused bytes.
template <class Sink>
bool DeflateBlock(z_stream& zs, const char* in, std::size_t n, bool last, char* out, Sink& sink,
                  std::uint64_t& written) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    zs.avail_in = static_cast<uInt>(n);
    int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        zs.next_out = reinterpret_cast<Bytef*>(out);
        zs.avail_out = static_cast<uInt>(kOutputSlice);
        int rc = deflate(&zs, flush);
        if (rc < 0 && rc != Z_BUF_ERROR) {
            throw ECompressionError();
        }
        std::size_t produced = kOutputSlice - zs.avail_out;
        if (!sink.Put(std::string_view(out, produced))) {
            return false;
        }
        written += produced;
        bool done = last ? rc == Z_STREAM_END : (zs.avail_out != 0 && zs.avail_in == 0);
        if (done) {
            return true;
        }
    }
}

// Reads a stream block by block into one buffer.
class StreamSource {
  public:
    StreamSource(std::istream& in, std::size_t capacity) : in_(in), buffer_(new char[capacity]) {}
    // n bytes, or null when the stream has fewer.
    const char* Next(std::size_t n) {
        in_.read(buffer_.get(), static_cast<std::streamsize>(n));
        return static_cast<std::size_t>(in_.gcount()) == n ? buffer_.get() : nullptr;
    }

  private:
    std::istream& in_;
    std::unique_ptr<char[]> buffer_;  // left uninitialised: every byte is read into first
};

class MemorySource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    const char* Next(std::size_t n) {
        const char* at = bytes_.data() + taken_;
        taken_ += n;
        return at;
    }

  private:
    std::string_view bytes_;
    std::size_t taken_ = 0;
};

class ArchiveSink {
  public:
    explicit ArchiveSink(TArchiveFile& archive) : archive_(archive) {}
    bool Put(std::string_view bytes) {
        try {
            archive_.Write(bytes);
            return true;
        } catch (const EShortWrite&) {
            return false;
        }
    }

  private:
    TArchiveFile& archive_;
};

class StringSink {
  public:
    explicit StringSink(std::string& out) : out_(out) {}
    bool Put(std::string_view bytes) {
        out_.append(bytes);
        return true;
    }

  private:
    std::string& out_;
};

// One compression run over `sourceSize` bytes that `source` hands out block by block.
template <class Source, class Sink>
TZWCompressedData Run(Source& source, std::uint64_t sourceSize, int level, std::uint16_t method,
                      Sink& sink, std::string_view instanceName,
                      const std::function<bool()>& stop) {
    const bool deflating = method != zipfmt::kMethodStored;
    const std::size_t blockSize = BlockSizeForLevel(level);
    std::unique_ptr<char[]> out;
    DeflaterGuard engine;
    if (deflating) {
        out.reset(new char[kOutputSlice]);
        if (deflateInit2(&engine.stream, level, Z_DEFLATED, kRawWindowBits, kMemLevel,
                         Z_DEFAULT_STRATEGY) != Z_OK) {
            throw ECompressionError();
        }
        engine.active = true;
    }
    std::uint64_t consumed = 0;
    std::uint64_t written = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    while (consumed < sourceSize) {
        if (stop && stop()) {
            throw EZWInterrupted();
        }
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, sourceSize - consumed));
        const char* in = source.Next(n);
        if (in == nullptr) {
            break;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(in), static_cast<uInt>(n));
        bool last = n == sourceSize - consumed;
        consumed += n;
        bool accepted = deflating
                            ? DeflateBlock(engine.stream, in, n, last, out.get(), sink, written)
                            : sink.Put(std::string_view(in, n));
        if (!accepted) {
            consumed -= n;
            break;
        }
        if (!deflating) {
            written += n;
        }
    }
    // Ending a stream that was never finished is an engine error; a source or archive
    // that fell short is reported as such, with its counts.
    const int ended = deflating ? engine.End() : Z_OK;
    if (consumed != sourceSize) {
        throw EZWException(instanceName, zwInvalidCompressedSize,
                           FormatZWText(kMsgInvalidCompressedSize,
                                        {std::to_string(sourceSize), std::to_string(consumed)}));
    }
    if (ended < 0) {
        throw ECompressionError();
    }
    TZWCompressedData result;
    result.crc32 = static_cast<std::uint32_t>(crc);
    result.compressedSize = written;
    result.uncompressedSize = sourceSize;
    result.method = sourceSize == 0 ? zipfmt::kMethodStored : method;
    return result;
}

}  // namespace

std::size_t BlockSizeForLevel(int level) {
    if (level >= 1 && level <= 3) {
        return 0x80000;
    }
    if (level >= 7 && level <= 9) {
        return 0x180000;
    }
    return 0x100000;
}

TZWCompressedData CompressEntry(std::istream& source, std::uint64_t sourceSize, int level,
                                std::uint16_t method, TArchiveFile& archive,
                                std::string_view instanceName, const std::function<bool()>& stop) {
    StreamSource in(source, static_cast<std::size_t>(
                                std::min<std::uint64_t>(BlockSizeForLevel(level), sourceSize)));
    ArchiveSink sink(archive);
    return Run(in, sourceSize, level, method, sink, instanceName, stop);
}

TZWCompressedData CompressBytes(std::string_view source, int level, std::uint16_t method,
                                std::string& compressed) {
    MemorySource in(source);
    StringSink sink(compressed);
    // Memory neither falls short nor refuses bytes, so no run fails for want of them.
    return Run(in, source.size(), level, method, sink, std::string_view(), {});
}

const TZWEntryCache::Item* TZWEntryCache::Find(std::string_view name, std::string_view source,
                                               int level, std::uint16_t method) const {
    auto found = items_.find(name);
    if (found == items_.end()) {
        return nullptr;
    }
    const Item& item = found->second;
    return item.level == level && item.method == method && item.source == source ? &item : nullptr;
}

void TZWEntryCache::Store(std::string_view name, Item item) {
    if (item.source.size() > kMaxSourceSize) {
        return;
    }
    const std::size_t size = item.source.size() + item.compressed.size();
    auto found = items_.find(name);
    const std::size_t replaced =
        found == items_.end() ? 0 : found->second.source.size() + found->second.compressed.size();
    if (total_ - replaced + size > kMaxTotalSize) {
        return;
    }
    total_ = total_ - replaced + size;
    if (found == items_.end()) {
        items_.emplace(std::string(name), std::move(item));
    } else {
        found->second = std::move(item);
    }
}

}  // namespace quorix
