// part_pool_test.cpp - the pool's order: parts taken in order, made side by side, their
// lines and finishing in order; failures stop later parts and drop what they made.
#include "builder/part_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace quorix {
namespace {

// Parts that take a varying time, so that later ones are often made before earlier ones.
class TFakeWork : public TPartWork {
  public:
    std::uint64_t failMake = 0;    // Make of this part raises
    std::uint64_t failTake = 0;    // Take of this part says no later part can follow
    std::uint64_t failFinish = 0;  // Finish of this part raises
    std::uint64_t noRoom = 0;      // Make of this part finds the disk full...
    bool roomAlone = false;        // ...unless it is made again alone after a Rewind
    std::uint64_t rewound = 0;

    struct TDone : TPartDone {
        TFakeWork& work;
        std::uint64_t number;
        TDone(TFakeWork& w, std::uint64_t n) : work(w), number(n) {}
        ~TDone() override {
            std::lock_guard lock(work.mutex);
            work.dropped.insert(number);
        }
        void Finish(TBuildLog& log) override {
            if (number == work.failFinish)
                throw std::runtime_error("finish " + std::to_string(number));
            log.Add("finished " + std::to_string(number));
            std::lock_guard lock(work.mutex);
            work.finished.push_back(number);
        }
    };

    bool Take(unsigned, std::uint64_t number) override {
        std::lock_guard lock(mutex);
        taken.push_back(number);
        return number != failTake;
    }

    std::unique_ptr<TPartDone> Make(unsigned worker, std::uint64_t number,
                                    TBuildLog& log) override {
        {
            std::lock_guard lock(mutex);
            workers.insert(worker);
        }
        log.Add("made " + std::to_string(number) + " a");
        // Odd parts are slow, so that even ones wait for their turn.
        std::this_thread::sleep_for(std::chrono::milliseconds(number % 2 ? 3 : 0));
        if (number == noRoom && !(roomAlone && rewound == number)) {
            throw EPartOutOfSpace("no room " + std::to_string(number));
        }
        if (number == failMake || number == failTake) {
            throw std::runtime_error("make " + std::to_string(number));
        }
        log.Add("made " + std::to_string(number) + " b");
        return std::make_unique<TDone>(*this, number);
    }

    bool Rewind(std::uint64_t number) override {
        rewound = number;
        return true;
    }

    std::mutex mutex;
    std::vector<std::uint64_t> taken, finished;
    std::set<std::uint64_t> dropped;
    std::set<unsigned> workers;
};

std::vector<std::string> ExpectedLines(std::uint64_t through) {
    std::vector<std::string> lines;
    for (std::uint64_t k = 1; k <= through; ++k) {
        lines.push_back("made " + std::to_string(k) + " a");
        lines.push_back("made " + std::to_string(k) + " b");
        lines.push_back("finished " + std::to_string(k));
    }
    return lines;
}

std::vector<std::uint64_t> Numbers(std::uint64_t from, std::uint64_t to) {
    std::vector<std::uint64_t> numbers;
    for (std::uint64_t k = from; k <= to; ++k) numbers.push_back(k);
    return numbers;
}

TEST(PartPoolTest, LinesAndFinishingFollowThePartOrder) {
    for (unsigned workers : {1u, 3u, 8u}) {
        TFakeWork work;
        TMemoryLog log;
        RunPartPool(40, workers, work, log);
        EXPECT_EQ(log.Lines(), ExpectedLines(40)) << workers;
        EXPECT_EQ(work.taken, Numbers(1, 40));
        EXPECT_EQ(work.finished, Numbers(1, 40));
        EXPECT_EQ(work.workers.size(), workers) << "every worker made parts";
    }
}

TEST(PartPoolTest, FailureStopsLaterPartsAndDropsWhatTheyMade) {
    struct Case {
        const char* what;
        std::uint64_t TFakeWork::*field;
        std::string message;
        std::vector<std::string> extraLines;  // of the failing part, after the finished ones
    };
    const Case cases[] = {
        {"make", &TFakeWork::failMake, "make 9", {"made 9 a"}},
        // A take that fails still has its part made, which then raises the failure.
        {"take", &TFakeWork::failTake, "make 9", {"made 9 a"}},
        {"finish", &TFakeWork::failFinish, "finish 9", {"made 9 a", "made 9 b"}},
    };
    for (const Case& c : cases) {
        TFakeWork work;
        work.*c.field = 9;
        TMemoryLog log;
        try {
            RunPartPool(40, 4, work, log);
            ADD_FAILURE() << c.what << ": no failure raised";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        std::vector<std::string> expected = ExpectedLines(8);
        expected.insert(expected.end(), c.extraLines.begin(), c.extraLines.end());
        EXPECT_EQ(log.Lines(), expected) << c.what;
        EXPECT_EQ(work.finished, Numbers(1, 8)) << c.what;
        // Parts after the failing one that were made were all dropped, none finished.
        for (std::uint64_t k : work.taken) {
            if (k > 8) {
                EXPECT_TRUE(k == 9 || work.dropped.contains(k)) << c.what << " part " << k;
            }
        }
        if (c.field == &TFakeWork::failTake) {
            EXPECT_EQ(work.taken, Numbers(1, 9)) << "nothing is taken after a failed take";
        } else {
            // Workers never run far ahead of the parts finished.
            EXPECT_LE(work.taken.back(), 8u + 2 * 4 + 1) << c.what;
        }
    }
}

// A part crowded out by the other workers' parts is made again alone, from where a one-worker
// build would be; if it finds no room alone either, its lines show once and the build fails.
TEST(PartPoolTest, NoRoomMakesThePartAgainAlone) {
    for (bool roomAlone : {true, false}) {
        TFakeWork work;
        work.noRoom = 9;
        work.roomAlone = roomAlone;
        TMemoryLog log;
        std::string failure;
        try {
            RunPartPool(20, 4, work, log);
        } catch (const EPartOutOfSpace& e) {
            failure = e.what();
        }
        EXPECT_EQ(work.rewound, 9u);
        std::vector<std::string> expected = ExpectedLines(roomAlone ? 20 : 8);
        if (!roomAlone) expected.push_back("made 9 a");
        EXPECT_EQ(log.Lines(), expected) << roomAlone;
        EXPECT_EQ(work.finished, Numbers(1, roomAlone ? 20 : 8));
        EXPECT_EQ(failure, roomAlone ? "" : "no room 9");
    }
}

TEST(PartPoolTest, WorkersFollowTheRequestAndTheParts) {
    EXPECT_EQ(PartWorkers(4, 100), 4u);
    EXPECT_EQ(PartWorkers(4, 2), 2u);
    EXPECT_EQ(PartWorkers(3, 0), 1u);
    EXPECT_GE(PartWorkers(0, 100), 1u);
    EXPECT_EQ(PartWorkers(0, 1), 1u);
}

}  // namespace
}  // namespace quorix
