// threaded_sink.h - a conversion step run on a thread of its own.
#pragma once

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "text/byte_sink.h"

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

}  // namespace quorix
