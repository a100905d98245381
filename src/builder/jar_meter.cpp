// jar_meter.cpp - a part's JAR size from its entries deflated in memory.
#include "builder/jar_meter.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "archive/zip_format.h"
#include "archive/zw_exception.h"
#include "base/byte_order.h"
#include "book/descriptors.h"
#include "book/help_text.h"
#include "builder/book_builder.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

// The archive writer's level and zlib's settings for it.
constexpr int kLevel = 9;
constexpr int kMemLevel = 8;
constexpr int kRawWindowBits = -15;
// Cuts whose rough estimate comes this close to the limit are measured by finishing a copy
// of the stream there: a deflate block holds some 16,000 symbols, about what its estimate
// may be off by in the last few hundred bytes.
constexpr std::uintmax_t kNear = 1024;
// Deflated books kept for the JARs, at most; beyond it the JARs deflate their own.
constexpr std::size_t kKeptBytes = 64 << 20;

std::string LengthPrefixed(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 4);
    putU32BE(out, static_cast<std::uint32_t>(bytes.size()));
    out.append(bytes);
    return out;
}

std::string GlyphKey(const TGlyphSet& glyphs) {
    std::string key(256, '0');
    for (int j = 0; j < 256; ++j) {
        if (glyphs.Contains(j)) key[static_cast<std::size_t>(j)] = '1';
    }
    return key;
}

// A zlib stream fed as the archive writer feeds it, whose size so far is read at cuts.
class TStream {
  public:
    TStream() {
        if (deflateInit2(&zs_, kLevel, Z_DEFLATED, kRawWindowBits, kMemLevel, Z_DEFAULT_STRATEGY) !=
            Z_OK)
            throw ECompressionError();
    }
    ~TStream() { deflateEnd(&zs_); }
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    void Feed(std::string_view bytes) {
        zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        zs_.avail_in = static_cast<uInt>(bytes.size());
        Drain(zs_, Z_NO_FLUSH);
    }
    // Bytes written out so far, and the input they stand for when a block last went out.
    std::uintmax_t Emitted() {
        unsigned pending = 0;
        int bits = 0;
        deflatePending(&zs_, &pending, &bits);
        return zs_.total_out + pending;
    }
    std::uintmax_t In() const { return zs_.total_in; }
    // The size of the whole stream if it ended here.
    std::uintmax_t Finished() {
        z_stream copy{};
        if (deflateCopy(&copy, &zs_) != Z_OK) throw ECompressionError();
        copy.avail_in = 0;
        Drain(copy, Z_FINISH);
        const std::uintmax_t size = copy.total_out;
        deflateEnd(&copy);
        return size;
    }

  private:
    void Drain(z_stream& zs, int flush) {
        for (;;) {
            zs.next_out = reinterpret_cast<Bytef*>(out_);
            zs.avail_out = sizeof out_;
            const int rc = deflate(&zs, flush);
            if (rc < 0 && rc != Z_BUF_ERROR) throw ECompressionError();
            if (flush == Z_FINISH ? rc == Z_STREAM_END : (zs.avail_out != 0 && zs.avail_in == 0))
                return;
        }
    }
    z_stream zs_{};
    char out_[64 * 1024];
};

}  // namespace

TBuildJarMeter::TBuildJarMeter(const TPartContext& context, TPartMaker& prober,
                               TFontRasterizer font, fs::path scratchJar)
    : context_(context),
      prober_(prober),
      font_(std::move(font)),
      scratchJar_(std::move(scratchJar)) {}

std::uintmax_t TBuildJarMeter::Deflated(std::string_view bytes, TZWEntryCache::Item* item) const {
    // One strongest deflater per thread: it cannot serve two at once.
    thread_local std::unique_ptr<TStrongDeflater> strongest;
    TStrongDeflater* engine = nullptr;
    if (context_.compression == TCompression::max) {
        if (!strongest) strongest = std::make_unique<TStrongDeflater>();
        engine = strongest.get();
    }
    std::string compressed;
    TZWCompressedData data =
        CompressBytes(bytes, kLevel, zipfmt::kMethodDeflated, compressed, engine);
    const std::uintmax_t size = compressed.size();
    if (item != nullptr) {
        item->level = kLevel;
        item->method = zipfmt::kMethodDeflated;
        item->deflater = engine ? TZWDeflater::strongest : TZWDeflater::zlib;
        item->data = data;
        item->compressed = std::move(compressed);
    }
    return size;
}

std::uintmax_t TBuildJarMeter::FontSize(const TGlyphSet& glyphs) {
    const std::string key = GlyphKey(glyphs);
    {
        std::lock_guard lock(mutex_);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
    }
    std::string bytes;
    {
        std::lock_guard lock(fontMutex_);
        font_.Render(glyphs);
        bytes = font_.FontDatBytes();
        font_.Release();
    }
    const std::uintmax_t size = Deflated(bytes);
    std::lock_guard lock(mutex_);
    fonts_.emplace(key, size);
    return size;
}

std::uintmax_t TBuildJarMeter::Others(const TGlyphSet& textGlyphs, std::size_t length,
                                      std::uint64_t number, std::uint64_t count) {
    const std::string help =
        THelpText::Fill(context_.helpTemplate, context_.infoText, context_.sourceSize, number,
                        count, length, context_.decimalSeparator);
    const std::string name =
        count == 1 ? context_.fileName : context_.fileName + std::to_string(number);
    // As the part maker writes them: the manifest as it is, the help page length-prefixed.
    const std::string texts[] = {TDescriptorWriter::ManifestText(name, kVendor),
                                 LengthPrefixed(help)};
    std::uintmax_t sum = 0;
    for (const std::string& bytes : texts) {
        {
            std::lock_guard lock(mutex_);
            auto found = texts_.find(bytes);
            if (found != texts_.end()) {
                sum += found->second;
                continue;
            }
        }
        const std::uintmax_t size = Deflated(bytes);
        sum += size;
        std::lock_guard lock(mutex_);
        texts_.emplace(bytes, size);
    }
    TGlyphSet glyphs = textGlyphs;
    glyphs.Add(context_.helpTemplate);
    glyphs.Add(help);
    glyphs.DropControlBytes();
    return sum + FontSize(glyphs);
}

std::uintmax_t TBuildJarMeter::Book(std::uintmax_t position, std::string_view text) {
    const TKey key{position, text.size()};
    {
        std::lock_guard lock(mutex_);
        auto found = books_.find(key);
        if (found != books_.end()) return found->second;
    }
    TZWEntryCache::Item item;
    const std::uintmax_t size = Deflated(LengthPrefixed(text), &item);
    std::lock_guard lock(mutex_);
    books_.emplace(key, size);
    if (keptBytes_ + item.compressed.size() <= kKeptBytes) {
        keptBytes_ += item.compressed.size();
        kept_.emplace(key, std::move(item));
    }
    return size;
}

void TBuildJarMeter::Calibrate(std::uintmax_t position, std::string_view text, std::uint64_t number,
                               std::uint64_t count) {
    {
        std::lock_guard lock(mutex_);
        if (calibrated_) return;
    }
    TGlyphSet glyphs;
    glyphs.Add(text);
    const std::uintmax_t inMemory =
        Others(glyphs, text.size(), number, count) + Book(position, text);
    std::uintmax_t real = 0;
    {
        std::lock_guard lock(proberMutex_);
        real = prober_.Probe(text, number, count, scratchJar_);
    }
    std::lock_guard lock(mutex_);
    frame_ = static_cast<std::intmax_t>(real) - static_cast<std::intmax_t>(inMemory);
    calibrated_ = true;
}

std::uintmax_t TBuildJarMeter::Size(std::uintmax_t position, std::string_view text,
                                    std::uint64_t number, std::uint64_t count) {
    CheckStop(context_);
    Calibrate(position, text, number, count);
    TGlyphSet glyphs;
    glyphs.Add(text);
    const std::uintmax_t sum = Others(glyphs, text.size(), number, count) + Book(position, text);
    std::lock_guard lock(mutex_);
    return static_cast<std::uintmax_t>(static_cast<std::intmax_t>(sum) + frame_);
}

std::uintmax_t TBuildJarMeter::Confirm(std::uintmax_t position, std::string_view text,
                                       std::uint64_t number, std::uint64_t count) {
    const std::uintmax_t measured = Size(position, text, number, count);
    TZWEntryCache::Item item;
    {
        std::lock_guard lock(mutex_);
        auto found = kept_.find(TKey{position, text.size()});
        if (found != kept_.end()) item = found->second;
    }
    std::uintmax_t real = 0;
    {
        std::lock_guard lock(proberMutex_);
        prober_.OfferBook(std::move(item));
        real = prober_.Probe(text, number, count, scratchJar_);
    }
    // A frame that moved is learnt again; the fitting measures the part once more.
    std::lock_guard lock(mutex_);
    frame_ += static_cast<std::intmax_t>(real) - static_cast<std::intmax_t>(measured);
    return real;
}

std::ptrdiff_t TBuildJarMeter::Estimate(std::uintmax_t position, std::string_view window,
                                        const std::vector<std::size_t>& cuts, std::uint64_t number,
                                        std::uint64_t count, std::uintmax_t limit) {
    return EstimateClosely(position, window, cuts, number, count, limit, cuts.back()).cut;
}

TJarMeter::TClose TBuildJarMeter::EstimateClosely(std::uintmax_t position, std::string_view window,
                                                  const std::vector<std::size_t>& cuts,
                                                  std::uint64_t number, std::uint64_t count,
                                                  std::uintmax_t limit, std::size_t expected) {
    CheckStop(context_);
    Calibrate(position, window.substr(0, cuts.front()), number, count);
    std::intmax_t frame = 0;
    {
        std::lock_guard lock(mutex_);
        frame = frame_;
    }
    TStream stream;
    std::string prefix;
    // The book's length at its head weighs on the sizes a little: it is written for the cut
    // the part is thought to take, where the sizes matter.
    putU32BE(prefix, static_cast<std::uint32_t>(
                         *std::lower_bound(cuts.begin(), std::prev(cuts.end()), expected)));
    stream.Feed(prefix);
    TGlyphSet glyphs;
    // Between the blocks zlib writes, the text since the last one is counted at the rate of
    // that block; after a finished copy, from its size on. A copy is finished where the
    // estimate, less what it may be off by, reaches the limit.
    std::uintmax_t emitted = 0, inAtBlock = 0;
    double rate = 0.5;
    std::uintmax_t finished = 0, inAtFinish = 0;
    std::uintmax_t others = Others(glyphs, cuts.front(), number, count);
    TClose close;
    std::size_t fed = 0;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const std::string_view piece = window.substr(fed, cuts[i] - fed);
        stream.Feed(piece);
        glyphs.Add(piece);
        fed = cuts[i];
        const std::uintmax_t now = stream.Emitted();
        if (now != emitted) {
            rate = static_cast<double>(now - emitted) /
                   static_cast<double>(std::max<std::uintmax_t>(1, stream.In() - inAtBlock));
            emitted = now;
            inAtBlock = stream.In();
        }
        double deflated =
            static_cast<double>(emitted) + rate * static_cast<double>(stream.In() - inAtBlock);
        double doubt = static_cast<double>(kNear);
        if (finished != 0) {
            const double since = static_cast<double>(stream.In() - inAtFinish);
            deflated = static_cast<double>(finished) + rate * since;
            doubt = 24 + 0.15 * since;
        }
        const double rough =
            static_cast<double>(frame + static_cast<std::intmax_t>(others)) + deflated;
        if (rough + doubt < static_cast<double>(limit)) {
            close.cut = static_cast<std::ptrdiff_t>(i);
            close.cutJar = 0;
            continue;
        }
        others = Others(glyphs, cuts[i], number, count);
        finished = stream.Finished();
        inAtFinish = stream.In();
        const std::intmax_t jar = frame + static_cast<std::intmax_t>(others + finished);
        // The finished stream differs from the cut's own only by the length at its head.
        if (jar > static_cast<std::intmax_t>(limit)) {
            close.nextJar = static_cast<std::uintmax_t>(jar);
            break;
        }
        close.cut = static_cast<std::ptrdiff_t>(i);
        close.cutJar = static_cast<std::uintmax_t>(jar);
    }
    return close;
}

void TBuildJarMeter::Settled(std::uintmax_t position, std::uint64_t length) {
    std::lock_guard lock(mutex_);
    for (auto it = kept_.lower_bound(TKey{position, 0});
         it != kept_.end() && it->first.first == position;) {
        if (it->first.second == length) {
            ++it;
            continue;
        }
        keptBytes_ -= it->second.compressed.size();
        it = kept_.erase(it);
    }
}

std::vector<TZWEntryCache::Item> TBuildJarMeter::TakeBooks(
    const std::vector<std::uint64_t>& lengths) {
    std::lock_guard lock(mutex_);
    std::vector<TZWEntryCache::Item> books(lengths.size());
    std::uintmax_t position = 0;
    for (std::size_t k = 0; k < lengths.size(); ++k) {
        auto found = kept_.find(TKey{position, lengths[k]});
        if (found != kept_.end()) books[k] = std::move(found->second);
        position += lengths[k];
    }
    kept_.clear();
    keptBytes_ = 0;
    return books;
}

}  // namespace quorix
