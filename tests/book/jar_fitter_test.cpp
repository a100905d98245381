// jar_fitter_test.cpp - planning parts against a JAR size limit, with a model of the JAR.
#include "book/jar_fitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <numeric>
#include <string>

#include "book/book_error.h"

namespace quorix {
namespace {

// A JAR of `kReader` bytes plus half a byte per text byte and ten per digit of the count,
// as the help page shows it.
constexpr std::uintmax_t kReader = 1000;

// `offset` moves the estimate off the answer, by as many cuts.
struct TModel : TJarMeter {
    explicit TModel(std::string t, std::ptrdiff_t off = 0) : text(std::move(t)), offset(off) {}
    std::string text;
    std::ptrdiff_t offset = 0;
    std::vector<std::uint64_t> counts;  // the count every measure assumed

    TSourceWindow Window() const {
        return [this](std::uintmax_t pos, std::size_t length) {
            return std::string_view(text).substr(pos, length);
        };
    }
    std::uintmax_t Size(std::uintmax_t, std::string_view part, std::uint64_t,
                        std::uint64_t count) override {
        std::lock_guard lock(mutex);
        counts.push_back(count);
        return Size(part.size(), count);
    }
    std::ptrdiff_t Estimate(std::uintmax_t, std::string_view, const std::vector<std::size_t>& cuts,
                            std::uint64_t, std::uint64_t count, std::uintmax_t limit) override {
        std::ptrdiff_t last = -1;
        while (last + 1 < static_cast<std::ptrdiff_t>(cuts.size()) &&
               Size(cuts[static_cast<std::size_t>(last + 1)], count) <= limit)
            ++last;
        return last + offset;
    }
    static std::uintmax_t Size(std::size_t bytes, std::uint64_t count) {
        return kReader + bytes / 2 + 10 * std::to_string(count).size();
    }
    std::mutex mutex;
};

// Sentences of 10 to 99 bytes, each ending in ".", "?" or "!".
std::string Sentences(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.append(10 + (i * 37) % 90 - 1, static_cast<char>('a' + i % 26));
        text.push_back(".?!"[i % 3]);
    }
    return text;
}

TEST(JarFitter, LimitTakesBytesOrKilobytes) {
    EXPECT_EQ(ParseJarLimit(""), 0u);
    EXPECT_EQ(ParseJarLimit("65536"), 65536u);
    EXPECT_EQ(ParseJarLimit("64k"), 65536u);
    EXPECT_EQ(ParseJarLimit("64K"), 65536u);
    for (std::string_view bad :
         {"0", "0k", "k", "-1", "64M", "6 4", "64KK", " 64", "0x40", "99999999999999999999999k"}) {
        try {
            ParseJarLimit(bad);
            ADD_FAILURE() << bad;
        } catch (const TBookError& e) {
            EXPECT_EQ(e.what(), kMsgInvalidJarLimit) << bad;
        }
    }
}

TEST(JarFitter, PartsAreAsFullAsTheLimitAllowsAndCutAtSentenceEnds) {
    // Parts of about 14 KB, and of about 600 KB: more than the text first looked at.
    // The estimate right, short by 5 cuts and long by 40.
    struct Case {
        int sentences;
        std::uintmax_t limit;
        std::ptrdiff_t offset;
    } cases[] = {{3000, 8000, 0}, {3000, 8000, -5}, {3000, 8000, 40}, {40000, 300000, 0}};
    for (const Case& c : cases) {
        TModel m(Sentences(c.sentences), c.offset);
        std::vector<std::uint64_t> plan =
            PlanFittedParts(m.text.size(), 10000000, c.limit, m.Window(), m);
        ASSERT_GE(plan.size(), 3u) << c.limit;
        EXPECT_EQ(std::accumulate(plan.begin(), plan.end(), std::uint64_t{0}), m.text.size());
        std::size_t pos = 0;
        for (std::size_t k = 0; k < plan.size(); ++k) {
            pos += plan[k];
            EXPECT_LE(TModel::Size(plan[k], plan.size()), c.limit) << k;
            EXPECT_NE(std::string(".?!").find(m.text[pos - 1]), std::string::npos) << k;
            if (k + 1 == plan.size()) continue;
            // The next sentence end would not have fitted.
            std::size_t next = m.text.find_first_of(".?!", pos) + 1;
            EXPECT_GT(TModel::Size(plan[k] + (next - pos), plan.size()), c.limit) << k;
        }
        // The last plan assumed the count it made.
        EXPECT_EQ(m.counts.back(), plan.size());
        // A few measures per part, not one per sentence; three a plan with a right estimate.
        EXPECT_LT(m.counts.size(), (c.offset == 0 ? 8 : 40) * plan.size()) << c.limit;
        // Only the first part is planned as if it were the only one: its length foretells
        // the count, and no whole plan is made for one part.
        EXPECT_LT(std::count(m.counts.begin(), m.counts.end(), 1u), c.offset == 0 ? 8 : 40)
            << c.limit;
    }
}

TEST(JarFitter, PartSizeStaysTheUpperBound) {
    TModel m(Sentences(400));
    std::vector<std::uint64_t> plan =
        PlanFittedParts(m.text.size(), 500, 1000000, m.Window(), m);
    // Nothing near the limit: the plain rule, the last sentence end within 500 bytes.
    std::size_t pos = 0;
    for (std::uint64_t length : plan) {
        EXPECT_LE(length, 500u);
        std::string_view window = std::string_view(m.text).substr(pos, 500);
        if (pos + window.size() < m.text.size()) {
            EXPECT_EQ(length, window.find_last_of(".?!") + 1);
        }
        pos += length;
    }
    EXPECT_EQ(pos, m.text.size());
}

TEST(JarFitter, TextWithoutSentenceEndsIsCutAtThePartSize) {
    TModel m(std::string(2500, 'x'));
    EXPECT_EQ(PlanFittedParts(m.text.size(), 1000, 100000, m.Window(), m),
              (std::vector<std::uint64_t>{1000, 1000, 500}));
    // The limit cannot split a cut the rule makes without a sentence end.
    EXPECT_THROW(PlanFittedParts(m.text.size(), 1000, kReader + 400, m.Window(), m),
                 TBookError);
}

TEST(JarFitter, LimitBelowTheReaderAndOneSentenceNamesTheSmallestThatWorks) {
    // The longest sentence, 300 bytes, comes last; the first ones fit. At the size it needs
    // with one part, more than nine parts are made, and their count takes a digit more.
    TModel m(Sentences(50) + std::string(299, 'z') + ".");
    std::uintmax_t named = 0;
    try {
        PlanFittedParts(m.text.size(), 100000, TModel::Size(300, 1) - 1, m.Window(), m);
        ADD_FAILURE() << "no refusal";
    } catch (const TBookError& e) {
        std::string message = e.what();
        ASSERT_EQ(message.rfind(kMsgJarLimitTooSmall, 0), 0u) << message;
        named = std::stoull(message.substr(kMsgJarLimitTooSmall.size()));
        EXPECT_EQ(message, std::string(kMsgJarLimitTooSmall) + std::to_string(named) + " bytes");
    }
    EXPECT_EQ(named, TModel::Size(300, 10));
    std::vector<std::uint64_t> plan =
        PlanFittedParts(m.text.size(), 100000, named, m.Window(), m);
    EXPECT_GE(plan.size(), 10u);
    EXPECT_EQ(plan.back(), 300u);
    EXPECT_THROW(PlanFittedParts(m.text.size(), 100000, named - 1, m.Window(), m),
                 TBookError);
    EXPECT_TRUE(PlanFittedParts(0, 100, 5000, m.Window(), m).empty());
}

}  // namespace
}  // namespace quorix
