// lookahead_test.cpp - the chain made ahead gives what the caller would have made itself.
#include "book/lookahead.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorix {
namespace {

// An item is thought to end 10 bytes on; the caller's own cuts sometimes end elsewhere.
struct TItem {
    TChainStart start;
};

struct TCase {
    const char* name;
    std::vector<std::size_t> cuts;  // the lengths the caller settles, in order
    std::uint64_t failing;          // the number whose making fails, 0 for none
    const char* error;              // what the caller meets
    std::size_t mostMadeByCaller;
};

TEST(Lookahead, TakesWhatTheCallerWouldMakeAndRaisesOnlyItsOwnErrors) {
    const TCase cases[] = {
        {"the guesses right", {10, 10, 10, 10, 10, 10, 10, 10}, 0, "", 2},
        {"every cut elsewhere", {9, 11, 9, 11, 9, 11}, 0, "", 6},
        {"one cut elsewhere, then right again", {10, 10, 7, 10, 10, 10, 10}, 0, "", 4},
        // Part 3 ahead fails where the chain thought it starts (20), but is taken at 23.
        {"an error ahead that is never taken", {10, 13, 10, 10}, 3, "", 4},
        {"an error in a part taken", {10, 10, 10, 10}, 3, "failed at 20", 4},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::thread::id caller = std::this_thread::get_id();
        std::mutex mutex;
        std::size_t madeByCaller = 0;
        auto make = [&](const TChainStart& at) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (at.number == c.failing && at.position == 10 * (at.number - 1))
                throw std::runtime_error("failed at " + std::to_string(at.position));
            std::lock_guard lock(mutex);
            if (std::this_thread::get_id() == caller) ++madeByCaller;
            return TItem{at};
        };
        auto next = [](const TItem&, const TChainStart& at) -> std::optional<TChainStart> {
            return TChainStart{at.position + 10, at.number + 1, 10};
        };
        std::string error;
        TLookahead<TItem> ahead(make, next, {}, 2);
        std::uintmax_t pos = 0;
        std::size_t expected = 0;
        for (std::size_t k = 0; k < c.cuts.size(); ++k) {
            try {
                const TItem item = ahead.Take(TChainStart{pos, k + 1, expected});
                EXPECT_EQ(item.start.position, pos);
                EXPECT_EQ(item.start.number, k + 1);
                EXPECT_EQ(item.start.expected, k == 0 ? 0 : c.cuts[k - 1]);
            } catch (const std::runtime_error& e) {
                error = e.what();
                break;
            }
            // The caller's own work on the item, meanwhile the chain goes on.
            std::this_thread::sleep_for(std::chrono::milliseconds(6));
            expected = c.cuts[k];
            pos += c.cuts[k];
        }
        ahead.Stop();
        EXPECT_EQ(error, c.error);
        EXPECT_LE(madeByCaller, c.mostMadeByCaller);
    }
}

}  // namespace
}  // namespace quorix
