// threaded_sink.cpp - one chunk gathered while the thread writes the one before.
#include "text/threaded_sink.h"

#include <algorithm>
#include <cstdint>

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

void TThreadedSink::Write(std::string_view head, std::string_view body) {
    gathering_.append(head);
    gathering_.append(body);
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

namespace {

// A recorded line event: one letter, and for text its length (4 bytes, little-endian) and bytes.
constexpr char kOpText = 'T';
constexpr char kOpEndLine = 'E';
constexpr char kOpBreakLine = 'B';
constexpr char kOpBlankBeforeNext = 'N';

}  // namespace

TThreadedLines::TThreadedLines(TTextLines& lines)
    : lines_(lines), replay_(lines), handoff_(replay_) {}

void TThreadedLines::Text(std::string_view utf8) {
    while (!utf8.empty()) {
        const auto length =
            static_cast<std::uint32_t>(std::min<std::size_t>(utf8.size(), 0xFFFFFFFFu));
        const char head[5] = {
            kOpText, static_cast<char>(length & 0xFF), static_cast<char>(length >> 8 & 0xFF),
            static_cast<char>(length >> 16 & 0xFF), static_cast<char>(length >> 24 & 0xFF)};
        handoff_.Write(std::string_view(head, sizeof head), utf8.substr(0, length));
        utf8.remove_prefix(length);
    }
}

void TThreadedLines::EndLine() {
    handoff_.Write(std::string_view(&kOpEndLine, 1));
}

void TThreadedLines::BreakLine() {
    handoff_.Write(std::string_view(&kOpBreakLine, 1));
}

void TThreadedLines::BlankBeforeNext() {
    handoff_.Write(std::string_view(&kOpBlankBeforeNext, 1));
}

void TThreadedLines::Finish() {
    handoff_.Drain();
    lines_.Finish();
}

void TThreadedLines::TReplay::Write(std::string_view ops) {
    std::size_t at = 0;
    while (at < ops.size()) {
        switch (ops[at++]) {
            case kOpText: {
                std::uint32_t length = 0;
                for (int k = 3; k >= 0; --k) {
                    length = length << 8 | static_cast<unsigned char>(ops[at + k]);
                }
                at += 4;
                lines_.Text(ops.substr(at, length));
                at += length;
                break;
            }
            case kOpEndLine:
                lines_.EndLine();
                break;
            case kOpBreakLine:
                lines_.BreakLine();
                break;
            default:
                lines_.BlankBeforeNext();
                break;
        }
    }
}

}  // namespace quorix
