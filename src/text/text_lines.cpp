// text_lines.cpp - whitespace folding and line breaks of structured books.
#include "text/text_lines.h"

namespace quorix {
namespace {

constexpr char kCR = 13;
// A paragraph longer than this is passed on in pieces, so memory stays bounded.
constexpr std::size_t kLineFlush = 64 * 1024;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}  // namespace

void TTextLines::Text(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (IsSpace(utf8[i])) {
            space_ = true;
            ++i;
            continue;
        }
        if (!inLine_) {
            StartLine();
            inLine_ = true;
        } else if (space_) {
            line_ += ' ';
        }
        space_ = false;
        // The word up to the next whitespace, in one piece.
        std::size_t end = i + 1;
        while (end < utf8.size() && !IsSpace(utf8[end])) ++end;
        line_.append(utf8.substr(i, end - i));
        i = end;
    }
    if (line_.size() >= kLineFlush) {
        out_.Write(line_);
        line_.clear();
    }
}

void TTextLines::StartLine() {
    if (blankBefore_ && anyLine_ && !lastBlank_) out_.Write(std::string_view(&kCR, 1));
    blankBefore_ = false;
}

void TTextLines::EndLine() {
    space_ = false;
    if (!inLine_) return;
    line_ += kCR;
    out_.Write(line_);
    line_.clear();
    inLine_ = false;
    anyLine_ = true;
    lastBlank_ = false;
}

void TTextLines::BreakLine() {
    if (inLine_) {
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
