// threaded_sink_test.cpp - a step on its own thread keeps the order, finishes, and fails.
#include "text/threaded_sink.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace quorix {
namespace {

// Refuses the write that would take it past `limit` bytes.
class TLimitedSink : public TByteSink {
  public:
    explicit TLimitedSink(std::size_t limit) : limit_(limit) {}
    void Write(std::string_view bytes) override {
        if (text.size() + bytes.size() > limit_) throw std::runtime_error("Disk full");
        text.append(bytes);
    }
    void Finish() override { finished = true; }

    std::string text;
    bool finished = false;

  private:
    std::size_t limit_;
};

TEST(ThreadedSink, PassesEveryByteInOrderAndFinishesOnce) {
    TLimitedSink next(std::string::npos);
    std::string expected;
    {
        TThreadedSink sink(next);
        // Writes of every size, across many chunks.
        for (int i = 0; i < 20000; ++i) {
            const std::string piece =
                std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
            sink.Write(piece);
            expected += piece;
        }
        sink.Drain();
        EXPECT_EQ(next.text, expected);
        EXPECT_FALSE(next.finished);
        sink.Write("end");
        sink.Finish();
    }
    EXPECT_EQ(next.text, expected + "end");
    EXPECT_TRUE(next.finished);
}

TEST(ThreadedSink, AFailureOfTheNextStepIsRaisedOnTheWritersThread) {
    TLimitedSink next(1000000);
    TThreadedSink sink(next);
    const std::string piece(4096, 'y');
    EXPECT_THROW(
        {
            for (int i = 0; i < 1000; ++i) sink.Write(piece);  // 4 MB into a 1 MB sink
            sink.Finish();
        },
        std::runtime_error);
    EXPECT_FALSE(next.finished);
}

TEST(ThreadedSink, DroppedUnfinishedItStopsWithoutWaitingForMore) {
    TLimitedSink next(std::string::npos);
    {
        TThreadedSink sink(next);
        sink.Write(std::string(300 * 1024, 'z'));  // handed over, then the owner goes
    }
    EXPECT_FALSE(next.finished);
    EXPECT_LE(next.text.size(), 300u * 1024u);
}

}  // namespace
}  // namespace quorix
