// text_lines.cpp - whitespace folding and line breaks of structured books.
#include "text/text_lines.h"

namespace quorix {
namespace {

constexpr char kCR = 13;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

void TTextLines::Text(std::string_view utf8) {
    for (char c : utf8) {
        if (IsSpace(c)) {
            space_ = true;
            continue;
        }
        if (line_.empty()) {
            StartLine();
        } else if (space_) {
            line_ += ' ';
        }
        space_ = false;
        line_ += c;
    }
}

void TTextLines::StartLine() {
    if (blankBefore_ && anyLine_ && !lastBlank_) out_.Write(std::string_view(&kCR, 1));
    blankBefore_ = false;
}

void TTextLines::EndLine() {
    space_ = false;
    if (line_.empty()) return;
    line_ += kCR;
    out_.Write(line_);
    line_.clear();
    anyLine_ = true;
    lastBlank_ = false;
}

void TTextLines::BreakLine() {
    if (!line_.empty()) {
        EndLine();
        return;
    }
    space_ = false;
    if (!anyLine_) return;  // nothing to keep apart at the start
    out_.Write(std::string_view(&kCR, 1));
    lastBlank_ = true;
}

void TTextLines::Finish() {
    EndLine();
    out_.Finish();
}

}  // namespace quorix
