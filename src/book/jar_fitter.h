// jar_fitter.h - plans parts whose JARs stay within a phone's JAR size limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorix {

inline constexpr std::string_view kMsgInvalidJarLimit = "Invalid max JAR size";
inline constexpr std::string_view kMsgJarLimitTooSmall =
    "Max JAR size too small for the reader and one sentence; the smallest that works is ";
// A JAR the plan meant to fit came out larger (its help page's count changed the plan).
inline constexpr std::string_view kMsgJarOverLimit = "JAR over the max JAR size: ";

// "65536", "64K" or "64k" (1024 bytes each): the limit in bytes. An empty text is no limit
// (0); anything else, or a limit of 0, raises kMsgInvalidJarLimit.
std::uintmax_t ParseJarLimit(std::string_view text);

// The bytes of the source at a position, as many as asked for or up to its end; valid until
// the next call.
using TSourceWindow = std::function<std::string_view(std::uintmax_t position, std::size_t length)>;

// What the fitting asks about the JAR of a part. Called from several threads at once.
class TJarMeter {
  public:
    virtual ~TJarMeter() = default;
    // The exact size of the JAR that part `number` of `count` would have with `text`, the
    // source's bytes from `position` on, as its book.
    virtual std::uintmax_t Size(std::uintmax_t position, std::string_view text,
                                std::uint64_t number, std::uint64_t count) = 0;
    // The index of the last of `cuts` (lengths of a text starting at `window`, in order)
    // whose JAR is thought to fit within `limit`, or -1; a guess the exact sizes settle.
    virtual std::ptrdiff_t Estimate(std::uintmax_t position, std::string_view window,
                                    const std::vector<std::size_t>& cuts, std::uint64_t number,
                                    std::uint64_t count, std::uintmax_t limit) = 0;
    // Estimate, with the JAR sizes of the cut returned and of the one after it where they
    // were measured to within a few bytes (0 where they were not). `expected` is the length
    // the part is thought to take, near which the sizes come closest.
    struct TClose {
        std::ptrdiff_t cut = -1;
        std::uintmax_t cutJar = 0;
        std::uintmax_t nextJar = 0;
    };
    virtual TClose EstimateClosely(std::uintmax_t position, std::string_view window,
                                   const std::vector<std::size_t>& cuts, std::uint64_t number,
                                   std::uint64_t count, std::uintmax_t limit,
                                   std::size_t /*expected*/) {
        return {Estimate(position, window, cuts, number, count, limit)};
    }
    // The size of the JAR itself, packed for real; Size unless a real JAR can be made.
    virtual std::uintmax_t Confirm(std::uintmax_t position, std::string_view text,
                                   std::uint64_t number, std::uint64_t count) {
        return Size(position, text, number, count);
    }
    // Whether a JAR never shrinks as its book takes more text: then the cut next to the one
    // that does not fit is the cut that does. A deflater that chooses its blocks over the
    // whole entry can make a longer text smaller, and then the cuts are searched as they
    // always were, so that the plan stays the same.
    virtual bool SizesGrowWithText() const { return true; }
    // The cut a plan took for the part at `position`.
    virtual void Settled(std::uintmax_t /*position*/, std::uint64_t /*length*/) {}
};

// Cuts the whole source before any part is written. Every part ends at a sentence end (or
// where the plain cut rule would end it: after partSize bytes without one, or at the end of
// the source), holds at most partSize bytes, and takes the longest such cut whose JAR is at
// most maxJarSize. The parts' count shown on their help pages is the count planned, so the
// plan is repeated until the count it assumed is the count it made. Returns the length of
// every part in order; when even a part's shortest cut does not fit, raises
// kMsgJarLimitTooSmall with the size needed. `source` is called from one thread at a time.
std::vector<std::uint64_t> PlanFittedParts(std::uintmax_t sourceSize, std::int32_t partSize,
                                           std::uintmax_t maxJarSize, const TSourceWindow& source,
                                           TJarMeter& meter);

}  // namespace quorix
