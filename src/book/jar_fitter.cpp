// jar_fitter.cpp - cuts parts at sentence ends so that each JAR fits a size limit.
#include "book/jar_fitter.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

#include "book/book_error.h"

namespace quorix {
namespace {

constexpr std::size_t kScanChunk = 1 << 20;  // bytes read at a time when looking for sentences
constexpr int kMaxPasses = 6;                // a count that has not settled by then never will

bool IsSentenceEnd(char c) {
    return c == '.' || c == '?' || c == '!';
}

// The lengths a part starting at the window may take, shortest first: after each sentence
// end, and the whole window when the source ends in it or it holds no sentence end.
std::vector<std::size_t> CutChoices(std::string_view window, bool sourceEnds) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < window.size(); ++i) {
        if (IsSentenceEnd(window[i])) cuts.push_back(i + 1);
    }
    if ((sourceEnds || cuts.empty()) && (cuts.empty() || cuts.back() != window.size()))
        cuts.push_back(window.size());
    return cuts;
}

// The longest stretch a part could be forced to start with: a sentence, or partSize bytes
// of one that has no end in time. Returns its position and length.
std::pair<std::uintmax_t, std::size_t> LongestSentence(std::uintmax_t from, std::uintmax_t size,
                                                       std::int32_t partSize,
                                                       const TSourceWindow& source) {
    std::pair<std::uintmax_t, std::size_t> longest{from, 0};
    std::uintmax_t start = from;
    for (std::uintmax_t pos = from; pos < size;) {
        std::string_view chunk = source(pos, kScanChunk);
        if (chunk.empty()) break;
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            std::uintmax_t at = pos + i;
            bool ends = IsSentenceEnd(chunk[i]) || at + 1 == size ||
                        at + 1 - start == static_cast<std::uintmax_t>(partSize);
            if (!ends) continue;
            std::size_t length = static_cast<std::size_t>(at + 1 - start);
            if (length > longest.second) longest = {start, length};
            start = at + 1;
        }
        pos += chunk.size();
    }
    return longest;
}

// A plan that failed: no cut of a part fitted; `need` is what the longest sentence takes.
struct TLimitTooSmall {
    std::uintmax_t need;
};

[[noreturn]] void RefuseLimit(std::uintmax_t from, std::uintmax_t size, std::int32_t partSize,
                              std::uintmax_t firstNeed, std::uint64_t number, std::uint64_t count,
                              const TSourceWindow& source, const TJarProbe& probe) {
    auto [at, length] = LongestSentence(from, size, partSize, source);
    std::string text(source(at, length));
    throw TLimitTooSmall{std::max(firstNeed, probe(text, number, count))};
}

// The index of the cut nearest to `length` bytes, kept strictly between `fit` and `miss`.
std::ptrdiff_t CutNear(const std::vector<std::size_t>& cuts, double length, std::ptrdiff_t fit,
                       std::ptrdiff_t miss) {
    auto at = std::lower_bound(cuts.begin(), cuts.end(), length < 0 ? 0.0 : length,
                               [](std::size_t cut, double value) { return cut < value; });
    return std::clamp<std::ptrdiff_t>(at - cuts.begin(), fit + 1, miss - 1);
}

// One plan with the help pages showing `count` parts; `hints` are the lengths of a plan
// before, the first guess of each part.
std::vector<std::uint64_t> PlanPass(std::uintmax_t size, std::int32_t partSize,
                                    std::uintmax_t limit, std::uint64_t count,
                                    const std::vector<std::uint64_t>& hints,
                                    const TSourceWindow& source, const TJarProbe& probe) {
    std::vector<std::uint64_t> lengths;
    double guess = 16 * 1024;  // text bytes tried first; then what the last part took
    for (std::uintmax_t pos = 0; pos < size;) {
        const std::uint64_t number = lengths.size() + 1;
        if (lengths.size() < hints.size()) guess = static_cast<double>(hints[lengths.size()]);
        std::size_t want = static_cast<std::size_t>(
            std::min<std::uintmax_t>(static_cast<std::uintmax_t>(partSize), size - pos));
        const std::string window(source(pos, want));
        if (window.empty()) break;  // the source shrank: the builder reports the shortfall
        const std::vector<std::size_t> cuts = CutChoices(window, pos + window.size() >= size);

        // The JAR grows about in step with the text: each probe aims where the sizes seen so
        // far say the limit lies, and halving takes over when that stops closing in.
        const auto n = static_cast<std::ptrdiff_t>(cuts.size());
        std::ptrdiff_t fit = -1, miss = n;
        double fitJar = 0, missJar = 0;
        std::ptrdiff_t i = CutNear(cuts, guess, fit, miss);
        const double target = static_cast<double>(limit);
        for (int probes = 1; miss - fit > 1; ++probes) {
            const double jar = static_cast<double>(
                probe(std::string_view(window).substr(0, cuts[static_cast<std::size_t>(i)]), number,
                      count));
            const double at = static_cast<double>(cuts[static_cast<std::size_t>(i)]);
            if (jar <= target) {
                fit = i;
                fitJar = jar;
            } else {
                miss = i;
                missJar = jar;
            }
            if (miss - fit <= 1) break;
            double aim;
            if (probes > 8)
                aim = -1;  // halve
            else if (fit >= 0 && miss < n) {
                double lo = static_cast<double>(cuts[static_cast<std::size_t>(fit)]);
                double hi = static_cast<double>(cuts[static_cast<std::size_t>(miss)]);
                aim = lo + (target - fitJar) * (hi - lo) / std::max(1.0, missJar - fitJar);
            } else {
                aim = at * target / std::max(1.0, jar);
            }
            i = aim < 0 || (fit >= 0 && miss < n && miss - fit <= 4)
                    ? fit + (miss - fit) / 2
                    : CutNear(cuts, aim, fit, miss);
        }
        if (fit < 0) {
            std::uintmax_t firstNeed =
                probe(std::string_view(window).substr(0, cuts[0]), number, count);
            RefuseLimit(pos, size, partSize, firstNeed, number, count, source, probe);
        }
        lengths.push_back(cuts[static_cast<std::size_t>(fit)]);
        guess = static_cast<double>(lengths.back());
        pos += lengths.back();
    }
    return lengths;
}

}  // namespace

std::uintmax_t ParseJarLimit(std::string_view text) {
    if (text.empty()) return 0;
    std::uintmax_t unit = 1;
    if (text.back() == 'k' || text.back() == 'K') {
        unit = 1024;
        text.remove_suffix(1);
    }
    std::uintmax_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > UINTMAX_MAX / unit)
        throw TBookError(std::string(kMsgInvalidJarLimit));
    return value * unit;
}

namespace {

std::vector<std::uint64_t> PlanCounted(std::uintmax_t sourceSize, std::int32_t partSize,
                                       std::uintmax_t maxJarSize, const TSourceWindow& source,
                                       const TJarProbe& probe) {
    // The help page of every part shows the count, so its digits weigh on every JAR: plan
    // again with the count the last plan made until it stays the same.
    std::uint64_t count = 1;
    std::vector<std::uint64_t> plan;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        plan = PlanPass(sourceSize, partSize, maxJarSize, count, plan, source, probe);
        if (plan.size() == count) break;
        count = plan.size();
    }
    return plan;
}

}  // namespace

std::vector<std::uint64_t> PlanFittedParts(std::uintmax_t sourceSize, std::int32_t partSize,
                                           std::uintmax_t maxJarSize, const TSourceWindow& source,
                                           const TJarProbe& probe) {
    if (sourceSize == 0) return {};
    std::uintmax_t need = 0;
    try {
        return PlanCounted(sourceSize, partSize, maxJarSize, source, probe);
    } catch (const TLimitTooSmall& refused) {
        need = refused.need;
    }
    // The size named must work: more parts than the failed plan assumed show a longer count
    // on every help page, so plan with it until a plan goes through.
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        try {
            PlanCounted(sourceSize, partSize, need, source, probe);
            break;
        } catch (const TLimitTooSmall& refused) {
            need = std::max(need + 1, refused.need);
        }
    }
    throw TBookError(std::string(kMsgJarLimitTooSmall) + std::to_string(need) + " bytes");
}

}  // namespace quorix
