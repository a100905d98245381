// slow_jar_fitter.cpp - the planner that packs a trial JAR for every cut it weighs: the
// reference the fast fitting must agree with.
#include "slow_jar_fitter.h"

#include <algorithm>
#include <charconv>
#include <cstddef>

#include "book/book_error.h"

namespace quorix::test {
namespace {

constexpr std::size_t kScanChunk = 1 << 20;  // bytes read at a time when looking for sentences
constexpr int kMaxPasses = 6;                // a count that has not settled by then never will
constexpr std::size_t kFirstSpan = 1 << 18;  // text looked at for a part at first, at least
constexpr std::uintmax_t kVerifiedSource = 8 << 20;  // sources whose refusal is planned again

bool IsSentenceEnd(char c) {
    return c == '.' || c == '?' || c == '!';
}

// The lengths a part starting at the window may take, shortest first: after each sentence
// end, and the whole window when the source ends in it or when it is the part size's whole
// read and holds no sentence end.
std::vector<std::size_t> CutChoices(std::string_view window, bool sourceEnds, bool fullRead) {
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < window.size(); ++i) {
        if (IsSentenceEnd(window[i])) cuts.push_back(i + 1);
    }
    if ((sourceEnds || (fullRead && cuts.empty())) &&
        (cuts.empty() || cuts.back() != window.size()))
        cuts.push_back(window.size());
    return cuts;
}

struct TLongest {
    std::uintmax_t position = 0;
    std::size_t length = 0;
    std::uint64_t stretches = 0;  // how many there are: the most parts a plan can make
};

// The longest stretch a part could be forced to start with: a sentence, or partSize bytes
// of one that has no end in time.
TLongest LongestSentence(std::uintmax_t from, std::uintmax_t size, std::int32_t partSize,
                         const TSourceWindow& source) {
    TLongest longest{from, 0, 0};
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
            if (length > longest.length) {
                longest.position = start;
                longest.length = length;
            }
            ++longest.stretches;
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
    TLongest longest = LongestSentence(from, size, partSize, source);
    // A large source is not planned again to check the size: it is measured with the most
    // parts there can be, whose count the help pages could show.
    if (size > kVerifiedSource) count = std::max(count, number - 1 + longest.stretches);
    std::string text(source(longest.position, longest.length));
    throw TLimitTooSmall{std::max(firstNeed, probe(text, number, count))};
}

// The index of the cut nearest to `length` bytes, kept strictly between `fit` and `miss`.
std::ptrdiff_t CutNear(const std::vector<std::size_t>& cuts, double length, std::ptrdiff_t fit,
                       std::ptrdiff_t miss) {
    auto at = std::lower_bound(cuts.begin(), cuts.end(), length < 0 ? 0.0 : length,
                               [](std::size_t cut, double value) { return cut < value; });
    return std::clamp<std::ptrdiff_t>(at - cuts.begin(), fit + 1, miss - 1);
}

// The index of the longest cut whose JAR fits, or -1. The JAR grows about in step with the
// text: each probe aims where the sizes seen so far say the limit lies, and halving takes
// over when that stops closing in.
std::ptrdiff_t LongestFit(std::string_view window, const std::vector<std::size_t>& cuts,
                          double guess, std::uintmax_t limit,
                          const std::function<std::uintmax_t(std::string_view)>& jarOf) {
    const auto n = static_cast<std::ptrdiff_t>(cuts.size());
    std::ptrdiff_t fit = -1, miss = n;
    double fitJar = 0, missJar = 0;
    std::ptrdiff_t i = CutNear(cuts, guess, fit, miss);
    const double target = static_cast<double>(limit);
    for (int probes = 1; miss - fit > 1; ++probes) {
        const double at = static_cast<double>(cuts[static_cast<std::size_t>(i)]);
        const double jar =
            static_cast<double>(jarOf(window.substr(0, cuts[static_cast<std::size_t>(i)])));
        if (jar <= target) {
            fit = i;
            fitJar = jar;
        } else {
            miss = i;
            missJar = jar;
        }
        if (miss - fit <= 1) break;
        const bool bounded = fit >= 0 && miss < n;
        if (probes > 8 || (bounded && miss - fit <= 4)) {
            i = fit + (miss - fit) / 2;
        } else if (bounded) {
            double lo = static_cast<double>(cuts[static_cast<std::size_t>(fit)]);
            double hi = static_cast<double>(cuts[static_cast<std::size_t>(miss)]);
            i = CutNear(cuts, lo + (target - fitJar) * (hi - lo) / std::max(1.0, missJar - fitJar),
                        fit, miss);
        } else {
            i = CutNear(cuts, at * target / std::max(1.0, jar), fit, miss);
        }
    }
    return fit;
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
        auto jarOf = [&](std::string_view text) { return probe(text, number, count); };
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uintmax_t>(static_cast<std::uintmax_t>(partSize), size - pos));
        // Only a few times the text a JAR took last is read at first, so that a huge part size
        // costs no memory; the span doubles while every cut in it fits.
        std::size_t span =
            std::min(want, std::max(kFirstSpan, static_cast<std::size_t>(4 * guess)));
        std::string window;
        std::vector<std::size_t> cuts;
        std::ptrdiff_t fit = -1;
        while (true) {
            window.assign(source(pos, span));
            if (window.empty()) return lengths;  // the source shrank: the builder reports it
            const bool whole = window.size() < span || span == want;
            cuts = CutChoices(window, pos + window.size() >= size, whole);
            fit = cuts.empty() ? -1 : LongestFit(window, cuts, guess, limit, jarOf);
            const bool all = !cuts.empty() && fit + 1 == static_cast<std::ptrdiff_t>(cuts.size());
            if (whole || (!cuts.empty() && !all)) break;
            if (fit >= 0) guess = static_cast<double>(cuts[static_cast<std::size_t>(fit)]);
            span = std::min(want, 2 * span);
        }
        if (fit < 0) {
            std::uintmax_t firstNeed =
                cuts.empty() ? 0 : jarOf(std::string_view(window).substr(0, cuts[0]));
            RefuseLimit(pos, size, partSize, firstNeed, number, count, source, probe);
        }
        lengths.push_back(cuts[static_cast<std::size_t>(fit)]);
        guess = static_cast<double>(lengths.back());
        pos += lengths.back();
    }
    return lengths;
}

}  // namespace

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

std::vector<std::uint64_t> PlanByTrialJars(std::uintmax_t sourceSize, std::int32_t partSize,
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
    for (int pass = 0; pass < kMaxPasses && sourceSize <= kVerifiedSource; ++pass) {
        try {
            PlanCounted(sourceSize, partSize, need, source, probe);
            break;
        } catch (const TLimitTooSmall& refused) {
            need = std::max(need + 1, refused.need);
        }
    }
    throw TBookError(std::string(kMsgJarLimitTooSmall) + std::to_string(need) + " bytes");
}

}  // namespace quorix::test
