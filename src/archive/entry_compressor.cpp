// entry_compressor.cpp - zlib driven as a raw deflater with per-block flush points.
#include "archive/entry_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

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

// Feeds one block and writes everything the engine produces for it; false when the
// archive refused bytes.
bool DeflateBlock(z_stream& zs, const char* in, std::size_t n, bool last, std::vector<char>& out,
                  TArchiveFile& archive, std::uint64_t& written) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
    zs.avail_in = static_cast<uInt>(n);
    int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
        zs.next_out = reinterpret_cast<Bytef*>(out.data());
        zs.avail_out = static_cast<uInt>(out.size());
        int rc = deflate(&zs, flush);
        if (rc < 0 && rc != Z_BUF_ERROR) {
            throw ECompressionError();
        }
        std::size_t produced = out.size() - zs.avail_out;
        try {
            archive.Write(std::string_view(out.data(), produced));
        } catch (const EShortWrite&) {
            return false;
        }
        written += produced;
        bool done = last ? rc == Z_STREAM_END : (zs.avail_out != 0 && zs.avail_in == 0);
        if (done) {
            return true;
        }
    }
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
                                std::string_view instanceName) {
    const bool deflating = method != zipfmt::kMethodStored;
    const std::size_t blockSize = BlockSizeForLevel(level);
    std::vector<char> in(static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, sourceSize)));
    std::vector<char> out;
    DeflaterGuard engine;
    if (deflating) {
        out.resize(kOutputSlice);
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
        std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, sourceSize - consumed));
        source.read(in.data(), static_cast<std::streamsize>(n));
        if (static_cast<std::size_t>(source.gcount()) != n) {
            break;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(in.data()), static_cast<uInt>(n));
        bool last = n == sourceSize - consumed;
        consumed += n;
        bool accepted = true;
        if (deflating) {
            accepted = DeflateBlock(engine.stream, in.data(), n, last, out, archive, written);
        } else {
            try {
                archive.Write(std::string_view(in.data(), n));
                written += n;
            } catch (const EShortWrite&) {
                accepted = false;
            }
        }
        if (!accepted) {
            consumed -= n;
            break;
        }
    }
    // Ending a stream that was never finished is an engine error.
    if (deflating && engine.End() < 0) {
        throw ECompressionError();
    }
    if (consumed != sourceSize) {
        throw EZWException(instanceName, zwInvalidCompressedSize,
                           FormatZWText(kMsgInvalidCompressedSize,
                                        {std::to_string(sourceSize), std::to_string(consumed)}));
    }
    TZWCompressedData result;
    result.crc32 = static_cast<std::uint32_t>(crc);
    result.compressedSize = written;
    result.uncompressedSize = sourceSize;
    result.method = sourceSize == 0 ? zipfmt::kMethodStored : method;
    return result;
}

}  // namespace quorix
