// text_lines.cpp - whitespace folding and line breaks of structured books.
#include "text/text_lines.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// Whether any of the eight bytes is at most ' ' (every space, and the other controls).
bool HasByteUpToSpace(std::uint64_t eight) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    return ((eight - kOnes * 0x21) & ~eight & kHighs) != 0;
}

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
    if (space_) *o++ = ' ';
    space_ = false;
    for (;;) {
        // A word: eight bytes at a time while none of them is a control or space byte.
        std::uint64_t eight = 0;
        while (i + 8 <= n && (std::memcpy(&eight, s + i, 8), !HasByteUpToSpace(eight))) {
            std::memcpy(o, &eight, 8);
            o += 8;
            i += 8;
        }
        while (i < n && !kSpace[s[i]]) *o++ = static_cast<char>(s[i++]);
        if (i == n) break;
        while (i < n && kSpace[s[i]]) ++i;
        if (i == n) {
            space_ = true;
            break;
        }
        *o++ = ' ';
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
