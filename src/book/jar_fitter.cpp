// jar_fitter.cpp - cuts parts at sentence ends so that each JAR fits a size limit.
#include "book/jar_fitter.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>

#include "book/book_error.h"
#include "book/lookahead.h"

namespace quorix {
namespace {

constexpr std::size_t kScanChunk = 1 << 20;  // bytes read at a time when looking for sentences
constexpr int kMaxPasses = 6;                // a count that has not settled by then never will
constexpr std::size_t kFirstSpan = 1 << 18;  // text looked at for a part at first, at least
constexpr std::uintmax_t kVerifiedSource = 8 << 20;  // sources whose refusal is planned again
// How far a closely measured JAR may be off its exact size, at most: the book's own length
// at its head, which the measure took from another cut, moves the deflated size by a few
// bytes.
constexpr std::uintmax_t kCloseMeasure = 16;
// How far the difference between two close measures of one estimate may be off the exact
// one, at most: the lengths at the books' heads differ in their last byte or two.
constexpr std::uintmax_t kSharedError = 10;
constexpr std::size_t kLookaheadDepth = 2;  // parts surveyed beyond the one being settled

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
// A plan made ahead that was called off, or found a part that fits no cut: the plan is made
// again where it counts, and refuses there.
struct TAheadStopped {};
struct TAheadRefused {};

// The index of the cut nearest to `length` bytes, kept strictly between `fit` and `miss`.
std::ptrdiff_t CutNear(const std::vector<std::size_t>& cuts, double length, std::ptrdiff_t fit,
                       std::ptrdiff_t miss) {
    auto at = std::lower_bound(cuts.begin(), cuts.end(), length < 0 ? 0.0 : length,
                               [](std::size_t cut, double value) { return cut < value; });
    return std::clamp<std::ptrdiff_t>(at - cuts.begin(), fit + 1, miss - 1);
}

// The index of the longest cut whose JAR fits, or -1, for sizes that do not always grow with
// the text: the search whose probes every plan has made, so that its cuts stay where they
// were. Each probe aims where the sizes seen so far say the limit lies, and halving takes
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

// The source read by one thread at a time, each read kept by its reader.
class TSharedSource {
  public:
    explicit TSharedSource(const TSourceWindow& source) : source_(source) {}
    std::string Read(std::uintmax_t position, std::size_t length) {
        std::lock_guard lock(mutex_);
        return std::string(source_(position, length));
    }
    const TSourceWindow& Unshared() const { return source_; }

  private:
    const TSourceWindow& source_;
    std::mutex mutex_;
};

[[noreturn]] void RefuseLimit(std::uintmax_t from, std::uintmax_t size, std::int32_t partSize,
                              std::uintmax_t firstNeed, std::uint64_t number, std::uint64_t count,
                              TSharedSource& source, TJarMeter& meter) {
    TLongest longest = LongestSentence(from, size, partSize, source.Unshared());
    // A large source is not planned again to check the size: it is measured with the most
    // parts there can be, whose count the help pages could show.
    if (size > kVerifiedSource) count = std::max(count, number - 1 + longest.stretches);
    std::string text = source.Read(longest.position, longest.length);
    throw TLimitTooSmall{std::max(firstNeed, meter.Size(longest.position, text, number, count))};
}

// The text a part starting at `position` may take, its cuts, and where the estimate puts
// its end; the estimate is made once and serves every plan.
struct TSurvey {
    std::uintmax_t position = 0;
    std::string window;
    std::vector<std::size_t> cuts;
    bool whole = false;  // the window holds every byte the part could take
    std::ptrdiff_t guess = -1;
    TJarMeter::TClose close;  // the estimate's close measures, by the cuts they were made at
    std::size_t closeCut = 0, closeNext = 0;
};

class TFitter {
  public:
    TFitter(std::uintmax_t size, std::int32_t partSize, std::uintmax_t limit, TSharedSource& source,
            TJarMeter& meter)
        : size_(size), partSize_(partSize), limit_(limit), source_(source), meter_(meter) {}

    // `parts`: how many parts to plan at most, 0 for all.
    std::vector<std::uint64_t> Pass(std::uint64_t count, const std::vector<std::uint64_t>& hints,
                                    std::size_t parts = 0);
    // The plans by the search, each with the count the one before made, from a plan for one
    // part until the count stays; the last plan.
    std::vector<std::uint64_t> SearchedPlans();

  private:
    void Read(TSurvey& survey, std::size_t span) const;
    TSurvey Survey(std::uintmax_t position, std::uint64_t number, std::uint64_t count,
                   std::size_t expected, std::uint64_t hint = 0);
    std::uint64_t Settle(TSurvey& survey, std::uint64_t number, std::uint64_t count);
    std::uintmax_t KnownOver(const TSurvey& survey, std::ptrdiff_t i, std::uintmax_t exact) const;
    // The meter's exact size, measured once however many threads ask for it.
    std::uintmax_t Exact(std::uintmax_t position, std::string_view text, std::uint64_t number,
                         std::uint64_t count);
    // Forgets the exact sizes: the meter learnt that they were off.
    void Forget();
    struct TTrial {
        std::uint64_t length;
        std::uintmax_t firstNeed;
    };
    // What a plan by the search takes from outside and tells as it goes: the guess for part
    // k from the plan before (nothing when that plan has no part k), each length settled,
    // and, for a plan made ahead, a flag that ends it and a refusal it only reports.
    struct TTrialHooks {
        std::function<std::optional<std::uint64_t>(std::size_t)> hint;
        std::function<void(std::uint64_t)> settled;
        std::function<void()> beforeRefusal;
        const std::atomic<bool>* stop = nullptr;
        bool ahead = false;
    };
    std::optional<TTrial> Trial(std::uintmax_t pos, std::uint64_t number, std::uint64_t count,
                                double guess, const std::atomic<bool>* stop);
    std::vector<std::uint64_t> TrialPass(std::uint64_t count, const TTrialHooks& hooks,
                                         std::size_t parts);
    std::size_t Want(std::uintmax_t position) const {
        return static_cast<std::size_t>(
            std::min<std::uintmax_t>(static_cast<std::uintmax_t>(partSize_), size_ - position));
    }

    const std::uintmax_t size_;
    const std::int32_t partSize_;
    const std::uintmax_t limit_;
    TSharedSource& source_;
    TJarMeter& meter_;
    std::mutex mutex_;
    // The span read for a part with a start and what the estimate made of it: by start, from
    // every plan so far.
    struct TSurveyed {
        std::size_t span;
        std::ptrdiff_t guess;
        TJarMeter::TClose close;
        std::size_t closeCut, closeNext;
    };
    std::map<std::uintmax_t, TSurveyed> surveys_;
    using TExactKey = std::tuple<std::uintmax_t, std::size_t, std::uint64_t, std::uint64_t>;
    std::map<TExactKey, std::shared_future<std::uintmax_t>> exact_;
};

void TFitter::Read(TSurvey& survey, std::size_t span) const {
    survey.window = source_.Read(survey.position, span);
    survey.whole = survey.window.size() < span || span == Want(survey.position);
    survey.cuts =
        CutChoices(survey.window, survey.position + survey.window.size() >= size_, survey.whole);
}

// Only a few times the text a part took last is read at first, so that a huge part size
// costs no memory; the span doubles while the estimate says every cut in it fits. A start
// not surveyed before, with `hint` the length the part took in the plan before, is guessed
// at that length: an earlier cut moved it by a sentence or so, and the plans differ in the
// count alone.
TSurvey TFitter::Survey(std::uintmax_t position, std::uint64_t number, std::uint64_t count,
                        std::size_t expected, std::uint64_t hint) {
    TSurvey survey;
    survey.position = position;
    {
        std::unique_lock lock(mutex_);
        auto found = surveys_.find(position);
        if (found != surveys_.end()) {
            const TSurveyed seen = found->second;
            lock.unlock();
            Read(survey, seen.span);
            survey.guess = seen.guess;
            survey.close = seen.close;
            survey.closeCut = seen.closeCut;
            survey.closeNext = seen.closeNext;
            return survey;
        }
    }
    if (hint != 0) {
        Read(survey, std::min(Want(position), std::max<std::size_t>(kFirstSpan, 4 * hint)));
        survey.guess = std::upper_bound(survey.cuts.begin(), survey.cuts.end(), hint) -
                       survey.cuts.begin() - 1;
        return survey;
    }
    std::size_t span = std::min(Want(position), std::max(kFirstSpan, 4 * expected));
    while (true) {
        Read(survey, span);
        survey.close = survey.cuts.empty()
                           ? TJarMeter::TClose{}
                           : meter_.EstimateClosely(position, survey.window, survey.cuts, number,
                                                    count, limit_, expected);
        survey.guess = survey.close.cut;
        const auto at = [&survey](std::ptrdiff_t i) {
            return i >= 0 && static_cast<std::size_t>(i) < survey.cuts.size()
                       ? survey.cuts[static_cast<std::size_t>(i)]
                       : 0;
        };
        survey.closeCut = at(survey.guess);
        survey.closeNext = at(survey.guess + 1);
        const bool all = survey.guess + 1 == static_cast<std::ptrdiff_t>(survey.cuts.size());
        if (survey.whole || survey.window.empty() || !all) break;
        span = std::min(Want(position), 2 * span);
    }
    std::lock_guard lock(mutex_);
    surveys_.emplace(
        position, TSurveyed{span, survey.guess, survey.close, survey.closeCut, survey.closeNext});
    return survey;
}

// The size of the JAR of the cut after `i` when the estimate tells it is over the limit, from
// the exact size of cut `i`; else 0.
std::uintmax_t TFitter::KnownOver(const TSurvey& survey, std::ptrdiff_t i,
                                  std::uintmax_t exact) const {
    const auto cut = [&survey](std::ptrdiff_t k) {
        return survey.cuts[static_cast<std::size_t>(k)];
    };
    const TJarMeter::TClose& close = survey.close;
    if (close.nextJar == 0 || survey.closeNext != cut(i + 1)) return 0;
    if (close.cutJar != 0 && survey.closeCut == cut(i)) {
        const std::intmax_t next = static_cast<std::intmax_t>(exact) +
                                   static_cast<std::intmax_t>(close.nextJar) -
                                   static_cast<std::intmax_t>(close.cutJar);
        if (next > static_cast<std::intmax_t>(limit_ + kSharedError))
            return static_cast<std::uintmax_t>(next);
    }
    return close.nextJar > limit_ + kCloseMeasure ? close.nextJar : 0;
}

// The longest cut whose JAR fits, by exact sizes from the estimate on: the JAR grows with
// the text, so the walk looks for the cut that fits next to the one that does not, going
// out from the guess by doubling steps and closing in by halving. 0 when none fits.
std::uint64_t TFitter::Settle(TSurvey& survey, std::uint64_t number, std::uint64_t count) {
    std::map<std::ptrdiff_t, std::uintmax_t> sizes;  // the JAR of each cut measured
    auto text = [&survey](std::ptrdiff_t i) {
        return std::string_view(survey.window).substr(0, survey.cuts[static_cast<std::size_t>(i)]);
    };
    auto fits = [&](std::ptrdiff_t i) {
        auto found = sizes.find(i);
        if (found == sizes.end())
            found = sizes.emplace(i, Exact(survey.position, text(i), number, count)).first;
        return found->second <= limit_;
    };
    for (int confirmations = 0;;) {
        const auto n = static_cast<std::ptrdiff_t>(survey.cuts.size());
        if (n == 0) return 0;
        std::ptrdiff_t fit = -1, miss = n;
        const std::ptrdiff_t i = std::clamp<std::ptrdiff_t>(survey.guess, 0, n - 1);
        // The guess is usually the answer: the cut after it is measured only when the
        // estimate cannot tell that it is over.
        if (i + 1 < n && sizes.count(i + 1) == 0 && fits(i)) {
            const std::uintmax_t known = KnownOver(survey, i, sizes[i]);
            if (known != 0) sizes[i + 1] = known;
        }
        if (fits(i)) {
            fit = i;
            for (std::ptrdiff_t step = 1; fit + step < n; step *= 2) {
                if (!fits(fit + step)) {
                    miss = fit + step;
                    break;
                }
                fit += step;
            }
        } else {
            miss = i;
            for (std::ptrdiff_t step = 1; miss - step >= 0; step *= 2) {
                if (fits(miss - step)) {
                    fit = miss - step;
                    break;
                }
                miss -= step;
            }
        }
        while (miss - fit > 1) {
            const std::ptrdiff_t mid = fit + (miss - fit) / 2;
            (fits(mid) ? fit : miss) = mid;
        }
        if (fit + 1 == n && !survey.whole) {
            // Every cut of the window fits: read on.
            survey.guess = fit;
            Read(survey, std::min(Want(survey.position), 2 * survey.window.size()));
            continue;
        }
        if (fit < 0) return 0;
        // The real JAR has the last word; when it differs from its measure, every cut is
        // measured again (a JAR over the limit steps back).
        const std::uintmax_t real = meter_.Confirm(survey.position, text(fit), number, count);
        if (real == sizes[fit] || ++confirmations > 3) {
            if (real <= limit_) {
                meter_.Settled(survey.position, survey.cuts[static_cast<std::size_t>(fit)]);
                return survey.cuts[static_cast<std::size_t>(fit)];
            }
            sizes[fit] = real;
        } else {
            sizes.clear();
            Forget();
        }
        survey.guess = fit;
    }
}

// The search of LongestFit for the part at `pos` from `guess`: the length it takes, 0 when no
// cut fits (with `firstNeed` the JAR of its shortest cut), or nothing when the source shrank.
std::optional<TFitter::TTrial> TFitter::Trial(std::uintmax_t pos, std::uint64_t number,
                                              std::uint64_t count, double guess,
                                              const std::atomic<bool>* stop) {
    auto jarOf = [&](std::string_view text) {
        if (stop != nullptr && stop->load()) throw TAheadStopped{};
        return meter_.Size(pos, text, number, count);
    };
    const std::size_t want = Want(pos);
    std::size_t span = std::min(want, std::max(kFirstSpan, static_cast<std::size_t>(4 * guess)));
    TSurvey survey;
    survey.position = pos;
    std::ptrdiff_t fit = -1;
    while (true) {
        Read(survey, span);
        if (survey.window.empty()) return std::nullopt;
        fit =
            survey.cuts.empty() ? -1 : LongestFit(survey.window, survey.cuts, guess, limit_, jarOf);
        const bool all =
            !survey.cuts.empty() && fit + 1 == static_cast<std::ptrdiff_t>(survey.cuts.size());
        if (survey.whole || (!survey.cuts.empty() && !all)) break;
        if (fit >= 0) guess = static_cast<double>(survey.cuts[static_cast<std::size_t>(fit)]);
        span = std::min(want, 2 * span);
    }
    if (fit >= 0) return TTrial{survey.cuts[static_cast<std::size_t>(fit)], 0};
    return TTrial{0, survey.cuts.empty()
                         ? 0
                         : jarOf(std::string_view(survey.window).substr(0, survey.cuts[0]))};
}

// One plan by the search of LongestFit from the guesses it always took: the length of the
// part in the plan before, else of the part before.
std::vector<std::uint64_t> TFitter::TrialPass(std::uint64_t count, const TTrialHooks& hooks,
                                              std::size_t parts) {
    std::vector<std::uint64_t> lengths;
    double guess = 16 * 1024;
    for (std::uintmax_t pos = 0; pos < size_;) {
        const std::uint64_t number = lengths.size() + 1;
        if (hooks.hint) {
            if (const auto hint = hooks.hint(lengths.size())) guess = static_cast<double>(*hint);
        }
        const std::optional<TTrial> trial = Trial(pos, number, count, guess, hooks.stop);
        if (!trial) return lengths;  // the source shrank: the builder reports it
        if (trial->length == 0) {
            if (hooks.ahead) throw TAheadRefused{};
            if (hooks.beforeRefusal) hooks.beforeRefusal();
            RefuseLimit(pos, size_, partSize_, trial->firstNeed, number, count, source_, meter_);
        }
        lengths.push_back(trial->length);
        meter_.Settled(pos, lengths.back());
        if (hooks.settled) hooks.settled(lengths.back());
        if (lengths.size() == parts) break;
        guess = static_cast<double>(lengths.back());
        pos += lengths.back();
    }
    return lengths;
}

// The plan with the count 1 comes first; the plan that follows it, whose guesses are its
// lengths, is made on another thread close behind it, with the count the lengths so far
// foretell, and made again from the start whenever that count changes. It stands when the
// first plan ends with the count foretold; else it is made once more, as any plan after.
std::vector<std::uint64_t> TFitter::SearchedPlans() {
    struct TFirst {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::uint64_t> lengths;  // so far
        bool done = false;
    } first;
    struct TAhead {
        std::uint64_t count = 0;
        std::atomic<bool> stop{false};
        std::vector<std::uint64_t> plan;
        bool refused = false;
        std::exception_ptr error;
        std::thread thread;
    };
    std::unique_ptr<TAhead> ahead;
    const auto end = [&] {
        if (!ahead || !ahead->thread.joinable()) return;
        {
            std::lock_guard lock(first.mutex);
            ahead->stop = true;
        }
        first.changed.notify_all();
        ahead->thread.join();
    };
    struct TOnExit {
        decltype(end)& f;
        ~TOnExit() { f(); }
    } onExit{end};
    const auto start = [&](std::uint64_t count) {
        end();
        ahead = std::make_unique<TAhead>();
        ahead->count = count;
        ahead->thread = std::thread([this, &first, &next = *ahead] {
            TTrialHooks hooks;
            hooks.stop = &next.stop;
            hooks.ahead = true;
            hooks.hint = [&first, &next](std::size_t k) -> std::optional<std::uint64_t> {
                std::unique_lock lock(first.mutex);
                first.changed.wait(
                    lock, [&] { return next.stop || first.done || first.lengths.size() > k; });
                if (next.stop) throw TAheadStopped{};
                if (k < first.lengths.size()) return first.lengths[k];
                return std::nullopt;
            };
            try {
                next.plan = TrialPass(next.count, hooks, 0);
            } catch (const TAheadStopped&) {
            } catch (const TAheadRefused&) {
                next.refused = true;
            } catch (...) {
                next.error = std::current_exception();
            }
        });
    };
    std::uintmax_t planned = 0;
    TTrialHooks hooks;
    hooks.beforeRefusal = end;  // the refusal scans the source unshared
    hooks.settled = [&](std::uint64_t length) {
        std::uint64_t made = 0;
        {
            std::lock_guard lock(first.mutex);
            first.lengths.push_back(length);
            made = first.lengths.size();
        }
        first.changed.notify_all();
        // The parts still to come are thought as long as those so far.
        planned += length;
        const std::uintmax_t mean = std::max<std::uintmax_t>(1, planned / made);
        const std::uint64_t count = made + (size_ - planned + mean - 1) / mean;
        if (!ahead || ahead->count != count) start(count);
    };
    std::vector<std::uint64_t> plan = TrialPass(1, hooks, 0);
    {
        std::lock_guard lock(first.mutex);
        first.done = true;
    }
    first.changed.notify_all();
    if (plan.size() == 1) return plan;
    std::uint64_t count = plan.size();
    std::vector<std::uint64_t> next;
    bool made = false;
    if (ahead && ahead->count == count) {
        ahead->thread.join();
        if (ahead->error) std::rethrow_exception(ahead->error);
        made = !ahead->refused;
        next = std::move(ahead->plan);
    }
    end();
    plan = made ? std::move(next) : Pass(count, plan);
    // The first two plans are made above.
    for (int pass = 2; pass < kMaxPasses && plan.size() != count; ++pass) {
        count = plan.size();
        plan = Pass(count, plan);
    }
    return plan;
}

// One plan with the help pages showing `count` parts. While a part's cut is settled, the
// parts after it are surveyed and measured from where the estimates end them; a part is
// surveyed again only when the settled cut lies elsewhere.
std::vector<std::uint64_t> TFitter::Pass(std::uint64_t count,
                                         const std::vector<std::uint64_t>& hints,
                                         std::size_t parts) {
    if (!meter_.SizesGrowWithText()) {
        TTrialHooks hooks;
        hooks.hint = [&hints](std::size_t k) -> std::optional<std::uint64_t> {
            if (k < hints.size()) return hints[k];
            return std::nullopt;
        };
        return TrialPass(count, hooks, parts);
    }
    // A plan before, with another count, cut nearly where this one will: where a part starts
    // as it did there, its cut there is the better guess.
    std::vector<std::uintmax_t> hintStarts(hints.size());
    for (std::size_t k = 1; k < hints.size(); ++k) hintStarts[k] = hintStarts[k - 1] + hints[k - 1];
    auto surveyOf = [&](std::uintmax_t position, std::uint64_t number, std::size_t expected) {
        const std::size_t k = static_cast<std::size_t>(number - 1);
        TSurvey survey = Survey(position, number, count, expected, k < hints.size() ? hints[k] : 0);
        if (k < hints.size() && hintStarts[k] == position) {
            auto at = std::lower_bound(survey.cuts.begin(), survey.cuts.end(), hints[k]);
            if (at != survey.cuts.end() && *at == hints[k]) survey.guess = at - survey.cuts.begin();
        }
        return survey;
    };
    // The parts after the one being settled are surveyed from where the estimates end the
    // ones before, and their guesses measured. A plan of the first part alone measures
    // nothing ahead, for the count changes; its surveys serve the plan that follows.
    auto next = [&](const TSurvey& survey, const TChainStart& at) -> std::optional<TChainStart> {
        if (survey.guess < 0 || (parts > 1 && at.number >= parts)) return std::nullopt;
        const std::size_t guessed = survey.cuts[static_cast<std::size_t>(survey.guess)];
        if (survey.position + guessed >= size_) return std::nullopt;
        return TChainStart{survey.position + guessed, at.number + 1, guessed};
    };
    auto measure = [&](const TSurvey& survey, const TChainStart& at) {
        if (survey.guess < 0) return;
        const std::size_t cut = survey.cuts[static_cast<std::size_t>(survey.guess)];
        Exact(survey.position, std::string_view(survey.window).substr(0, cut), at.number, count);
    };
    TLookahead<TSurvey> ahead(
        [&](const TChainStart& at) { return surveyOf(at.position, at.number, at.expected); }, next,
        parts == 1 ? TLookahead<TSurvey>::TFurther{} : measure, kLookaheadDepth);
    std::vector<std::uint64_t> lengths;
    std::size_t expected = 16 * 1024;
    for (std::uintmax_t pos = 0; pos < size_;) {
        const std::uint64_t number = lengths.size() + 1;
        TSurvey survey = ahead.Take(TChainStart{pos, number, expected});
        if (survey.window.empty()) return lengths;  // the source shrank: the builder reports it
        const std::uint64_t length = Settle(survey, number, count);
        if (length == 0) {
            ahead.Stop();  // the refusal scans the source unshared
            std::uintmax_t firstNeed =
                survey.cuts.empty()
                    ? 0
                    : Exact(pos, std::string_view(survey.window).substr(0, survey.cuts[0]), number,
                            count);
            RefuseLimit(pos, size_, partSize_, firstNeed, number, count, source_, meter_);
        }
        lengths.push_back(length);
        expected = static_cast<std::size_t>(length);
        pos += length;
        if (lengths.size() == parts) break;
    }
    return lengths;
}

std::uintmax_t TFitter::Exact(std::uintmax_t position, std::string_view text, std::uint64_t number,
                              std::uint64_t count) {
    const TExactKey key{position, text.size(), number, count};
    std::promise<std::uintmax_t> mine;
    std::shared_future<std::uintmax_t> result;
    bool measureHere = false;
    {
        std::lock_guard lock(mutex_);
        auto [at, added] = exact_.try_emplace(key);
        if (added) {
            at->second = mine.get_future().share();
            measureHere = true;
        }
        result = at->second;
    }
    if (measureHere) {
        try {
            mine.set_value(meter_.Size(position, text, number, count));
        } catch (...) {
            mine.set_exception(std::current_exception());
        }
    }
    return result.get();
}

void TFitter::Forget() {
    std::lock_guard lock(mutex_);
    exact_.clear();
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
                                       std::uintmax_t maxJarSize, TSharedSource& source,
                                       TJarMeter& meter, bool foretell) {
    TFitter fitter(sourceSize, partSize, maxJarSize, source, meter);
    // The help page of every part shows the count, so its digits weigh on every JAR: plan
    // again with the count the last plan made until it stays the same. A whole plan for one
    // part is nearly always thrown away, so the first part alone is cut as if it were the
    // only one, and the count its length foretells is planned first; the sizes measured for
    // the first part serve the plan that follows. A search whose cuts depend on the guesses
    // it starts from keeps to the plans it always made.
    if (!meter.SizesGrowWithText()) return fitter.SearchedPlans();
    std::uint64_t count = 1;
    std::vector<std::uint64_t> plan;
    if (foretell) {
        plan = fitter.Pass(1, {}, 1);
        if (!plan.empty() && plan.front() < sourceSize)
            count = (sourceSize + plan.front() - 1) / plan.front();
    }
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        plan = fitter.Pass(count, plan);
        if (plan.size() == count) break;
        count = plan.size();
    }
    return plan;
}

}  // namespace

std::vector<std::uint64_t> PlanFittedParts(std::uintmax_t sourceSize, std::int32_t partSize,
                                           std::uintmax_t maxJarSize, const TSourceWindow& source,
                                           TJarMeter& meter) {
    if (sourceSize == 0) return {};
    TSharedSource shared(source);
    std::uintmax_t need = 0;
    try {
        return PlanCounted(sourceSize, partSize, maxJarSize, shared, meter, true);
    } catch (const TLimitTooSmall&) {
    }
    // A refusal names the size the plans from one part on need.
    try {
        return PlanCounted(sourceSize, partSize, maxJarSize, shared, meter, false);
    } catch (const TLimitTooSmall& refused) {
        need = refused.need;
    }
    // The size named must work: more parts than the failed plan assumed show a longer count
    // on every help page, so plan with it until a plan goes through.
    for (int pass = 0; pass < kMaxPasses && sourceSize <= kVerifiedSource; ++pass) {
        try {
            PlanCounted(sourceSize, partSize, need, shared, meter, false);
            break;
        } catch (const TLimitTooSmall& refused) {
            need = std::max(need + 1, refused.need);
        }
    }
    throw TBookError(std::string(kMsgJarLimitTooSmall) + std::to_string(need) + " bytes");
}

}  // namespace quorix
