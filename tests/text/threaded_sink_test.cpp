// threaded_sink_test.cpp - a step on its own thread keeps the order, finishes, and fails.
#include "text/threaded_sink.h"

#include <gtest/gtest.h>

#include <random>
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

// Any mix of texts (up to chunk-sized ones), line ends, breaks and titles folds into the
// same lines on the other thread as on the reader's own, and Empty agrees once drained.
TEST(ThreadedLines, FoldTheSameLinesAsOnTheReadersThread) {
    std::mt19937 random(5);
    const std::vector<std::string> texts = {
        "word", " two  words ", "\t\n", "Слово", std::string(300 * 1024, 'a'), ""};
    for (int round = 0; round < 20; ++round) {
        TStringSink direct, threaded;
        TTextLines directLines(direct), folded(threaded);
        {
            TThreadedLines lines(folded);
            lines.Drain();
            EXPECT_TRUE(folded.Empty());
            const int events = static_cast<int>(random() % 400);
            for (int k = 0; k < events; ++k) {
                switch (random() % 4) {
                    case 0: {
                        const std::string& text = texts[random() % texts.size()];
                        directLines.Text(text);
                        lines.Text(text);
                        break;
                    }
                    case 1:
                        directLines.EndLine();
                        lines.EndLine();
                        break;
                    case 2:
                        directLines.BreakLine();
                        lines.BreakLine();
                        break;
                    default:
                        directLines.BlankBeforeNext();
                        lines.BlankBeforeNext();
                        break;
                }
            }
            lines.Drain();
            EXPECT_EQ(folded.Empty(), directLines.Empty());
            directLines.Finish();
            lines.Finish();
        }
        ASSERT_EQ(threaded.Text(), direct.Text()) << "round " << round;
    }
}

}  // namespace
}  // namespace quorix
