// text_lines.cpp - whitespace folding and line breaks of structured books.
#include "text/text_lines.h"

#include <array>

namespace quorix {
namespace {

constexpr char kCR = 13;
// A paragraph longer than this is passed on in pieces, so memory stays bounded.
constexpr std::size_t kLineFlush = 64 * 1024;

constexpr std::array<bool, 256> SpaceTable() {
    std::array<bool, 256> spaces{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v'}) spaces[c] = true;
    return spaces;
}
constexpr std::array<bool, 256> kSpace = SpaceTable();

}  // namespace

void TTextLines::Text(std::string_view utf8) {
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t n = utf8.size();
    std::size_t i = 0;
    while (i < n && kSpace[s[i]]) ++i;
    if (i > 0) space_ = true;
    if (i == n) return;
    if (!inLine_) {
        StartLine();
        inLine_ = true;
        space_ = false;  // a line never begins with a space
    }
    // The line grows by at most the text and the space before it.
    const std::size_t start = line_.size();
    line_.resize(start + 1 + (n - i));
    char* o = line_.data() + start;
    for (; i < n; ++i) {
        const unsigned char c = s[i];
        if (kSpace[c]) {
            space_ = true;
            continue;
        }
        if (space_) {
            *o++ = ' ';
            space_ = false;
        }
        *o++ = static_cast<char>(c);
    }
    line_.resize(static_cast<std::size_t>(o - line_.data()));
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
