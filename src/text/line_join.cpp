// line_join.cpp - streaming form of the line-joining rule.
#include "text/line_join.h"

namespace quorix {
namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;

}  // namespace

void TLineJoiner::Step(char b, std::string& out) {
    window_ = {window_[1], window_[2], window_[3], b};
    if (seen_ < 4) ++seen_;
    // Each pair is judged by its input neighbours, never by rewritten bytes. When
    // this holds, the output ends with that CR LF.
    if (seen_ >= 4 && window_[1] == kCR && window_[2] == kLF) {
        const bool join = JoinChars.Contains(static_cast<unsigned char>(window_[0])) &&
                          JoinChars.Contains(static_cast<unsigned char>(b));
        out[out.size() - 2] = join ? ' ' : kCR;
        out[out.size() - 1] = b;
    } else {
        out.push_back(b);
    }
}

void TLineJoiner::Feed(std::string_view in, std::string& out) {
    const std::size_t start = out.size();
    out.append(held_);
    held_.clear();
    for (char b : in) {
        if (lfIsCrLf_ && b == kLF && window_[3] != kCR) Step(kCR, out);
        Step(b, out);
    }
    const std::size_t keep = std::min<std::size_t>(2, out.size() - start);
    held_.assign(out, out.size() - keep, keep);
    out.resize(out.size() - keep);
}

void TLineJoiner::Finish(std::string& out) {
    out.append(held_);
    held_.clear();
}

void TLineJoinSink::Write(std::string_view bytes) {
    joiner_.Feed(bytes, out_);
    next_.Write(out_);
    out_.clear();
}

void TLineJoinSink::Finish() {
    joiner_.Finish(out_);
    next_.Write(out_);
    out_.clear();
    next_.Finish();
}

}  // namespace quorix
