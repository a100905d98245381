// threaded_sink.cpp - one chunk gathered while the thread writes the one before.
#include "text/threaded_sink.h"

namespace quorix {

namespace {

// Large enough that handing over costs nothing beside the work, small enough to keep both
// sides busy from the start.
constexpr std::size_t kChunk = 256 * 1024;

}  // namespace

TThreadedSink::TThreadedSink(TByteSink& next)
    : next_(next), thread_([this](std::stop_token stop) { Run(stop); }) {}

TThreadedSink::~TThreadedSink() {
    thread_.request_stop();
    changed_.notify_all();
}

void TThreadedSink::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (changed_.wait(lock, stop, [this] { return !handed_.empty(); })) {
        std::string chunk;
        chunk.swap(handed_);
        busy_ = true;
        changed_.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            next_.Write(chunk);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        busy_ = false;
        if (failure && !failure_) failure_ = failure;
        changed_.notify_all();
    }
}

void TThreadedSink::Write(std::string_view bytes) {
    gathering_.append(bytes);
    if (gathering_.size() >= kChunk) Send();
}

void TThreadedSink::Send() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return handed_.empty() || failure_; });
    RaiseFailure();
    handed_.swap(gathering_);
    gathering_.clear();
    changed_.notify_all();
}

void TThreadedSink::Drain() {
    if (!gathering_.empty()) Send();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return (handed_.empty() && !busy_) || failure_; });
    RaiseFailure();
}

void TThreadedSink::Finish() {
    Drain();
    next_.Finish();
}

void TThreadedSink::RaiseFailure() {
    if (failure_) std::rethrow_exception(failure_);
}

}  // namespace quorix
