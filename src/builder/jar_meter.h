// jar_meter.h - the size of a part's JAR worked out in memory, for fitting parts to a limit.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "archive/entry_compressor.h"
#include "book/jar_fitter.h"
#include "builder/part_maker.h"
#include "font/font_rasterizer.h"
#include "font/glyph_set.h"

namespace quorix {

// A JAR's size is what its entries deflate to plus what the archive adds around them,
// which only the entry names decide. Every entry is deflated here as the archive writer
// deflates it, from the bytes the part maker writes; what the archive adds is learnt from
// one real JAR of the prober and checked by every confirmation. A part's book deflated
// for its measure is kept for its JAR, which then need not deflate it again. The estimate
// follows zlib's stream, so it serves the default compression; the strongest deflater's
// sizes do not always grow with the text, and its cuts are searched by exact sizes alone.
class TBuildJarMeter : public TJarMeter {
  public:
    TBuildJarMeter(const TPartContext& context, TPartMaker& prober, TFontRasterizer font,
                   std::filesystem::path scratchJar);

    std::uintmax_t Size(std::uintmax_t position, std::string_view text, std::uint64_t number,
                        std::uint64_t count) override;
    std::ptrdiff_t Estimate(std::uintmax_t position, std::string_view window,
                            const std::vector<std::size_t>& cuts, std::uint64_t number,
                            std::uint64_t count, std::uintmax_t limit) override;
    TClose EstimateClosely(std::uintmax_t position, std::string_view window,
                           const std::vector<std::size_t>& cuts, std::uint64_t number,
                           std::uint64_t count, std::uintmax_t limit,
                           std::size_t expected) override;
    std::uintmax_t Confirm(std::uintmax_t position, std::string_view text, std::uint64_t number,
                           std::uint64_t count) override;
    void Settled(std::uintmax_t position, std::uint64_t length) override;
    bool SizesGrowWithText() const override { return context_.compression != TCompression::max; }

    // The deflated book of every part of the plan, in order, as the JARs take it.
    std::vector<TZWEntryCache::Item> TakeBooks(const std::vector<std::uint64_t>& lengths);

  private:
    using TKey = std::pair<std::uintmax_t, std::uint64_t>;  // a part's start and length
    std::uintmax_t Deflated(std::string_view bytes, TZWEntryCache::Item* item = nullptr) const;
    std::uintmax_t FontSize(const TGlyphSet& glyphs);
    // Everything in the JAR but the book's deflated bytes, for a book of `length` bytes
    // holding `textGlyphs`.
    std::uintmax_t Others(const TGlyphSet& textGlyphs, std::size_t length, std::uint64_t number,
                          std::uint64_t count);
    std::uintmax_t Book(std::uintmax_t position, std::string_view text);
    void Calibrate(std::uintmax_t position, std::string_view text, std::uint64_t number,
                   std::uint64_t count);

    const TPartContext& context_;
    TPartMaker& prober_;
    std::mutex proberMutex_;
    TFontRasterizer font_;
    std::mutex fontMutex_;
    std::filesystem::path scratchJar_;

    std::mutex mutex_;  // guards what follows
    bool calibrated_ = false;
    std::intmax_t frame_ = 0;  // what the archive adds: local and central headers, end record
    std::map<std::string, std::uintmax_t> fonts_;  // by glyph flags
    std::map<std::string, std::uintmax_t> texts_;  // small entries by their bytes
    std::map<TKey, std::uintmax_t> books_;         // deflated book sizes
    std::map<TKey, TZWEntryCache::Item> kept_;     // deflated books kept for the JARs
    std::size_t keptBytes_ = 0;
};

}  // namespace quorix
