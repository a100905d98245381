// threaded_sink.h - a conversion step run on a thread of its own.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "text/byte_sink.h"
#include "text/text_lines.h"

namespace quorix {

// Passes what it is given to `next` on a thread of its own, in large chunks, so that a
// reader (an XML parser) and the steps after it (decoding, the code page, the file) share
// two processors. A failure of `next` is raised by the Write, Drain or Finish after it.
class TThreadedSink : public TByteSink {
  public:
    explicit TThreadedSink(TByteSink& next);
    ~TThreadedSink() override;
    TThreadedSink(const TThreadedSink&) = delete;
    TThreadedSink& operator=(const TThreadedSink&) = delete;

    void Write(std::string_view bytes) override;
    // Both pieces in one chunk: a chunk never ends between them.
    void Write(std::string_view head, std::string_view body);
    // Returns once `next` has been given everything written so far.
    void Drain();
    // Drains, then finishes `next`.
    void Finish() override;

  private:
    void Send();
    void Run(std::stop_token stop);
    void RaiseFailure();

    TByteSink& next_;
    std::string gathering_;  // the chunk being filled
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::string handed_;  // the chunk waiting for the thread
    bool busy_ = false;   // the thread is writing a chunk
    std::exception_ptr failure_;
    std::jthread thread_;  // last: stopped and joined before the rest goes
};

// Lines folded on a thread of their own: what a reader tells is recorded and told to `lines`
// there in the same order, so that an XML parser and the folding, decoding and writing
// after it share two processors.
class TThreadedLines : public TLineSink {
  public:
    explicit TThreadedLines(TTextLines& lines);

    void Text(std::string_view utf8) override;
    void EndLine() override;
    void BreakLine() override;
    void BlankBeforeNext() override;
    // Drains, then finishes the lines.
    void Finish() override;
    // Returns once the lines have been told everything so far.
    void Drain() { handoff_.Drain(); }

  private:
    // Tells the recorded chunks to the lines.
    class TReplay : public TByteSink {
      public:
        explicit TReplay(TTextLines& lines) : lines_(lines) {}
        void Write(std::string_view ops) override;

      private:
        TTextLines& lines_;
    };

    TTextLines& lines_;
    TReplay replay_;
    TThreadedSink handoff_;  // last: its thread stops before the replay goes
};

}  // namespace quorix
