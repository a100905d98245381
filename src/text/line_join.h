// line_join.h - the rule that joins hard-wrapped lines, on a stream of code-page bytes.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "text/byte_sink.h"

namespace quorix {

class TCodePageEncoder;

enum class TJoinRule {
    // The Text command's: each CR LF by the bytes around it (JoinChars below).
    neighbours,
    // For real books: a break inside a paragraph becomes a space whatever ends the line; a
    // paragraph ends at a blank line, before a line indented more than the text's body
    // lines, a list item, a verse line of a poem block or a heading (and after a heading).
    // A hyphen between two letters at a line's end goes only where the word it would make
    // stands unhyphenated elsewhere in the text. Every kept break is CR.
    paragraphs,
};

// Byte values of code page 1251 that may stand on both sides of a joined line
// break: ! " ' , . digits ? A..z (with [ \ ] ^ _ `) and the Cyrillic letters.
class TJoinChars {
  public:
    constexpr TJoinChars() {
        for (int c : {33, 34, 39, 44, 46, 63}) {
            in_[c] = true;
        }
        for (int c = 48; c <= 57; ++c) {
            in_[c] = true;
        }
        for (int c = 65; c <= 122; ++c) {
            in_[c] = true;
        }
        for (int c = 192; c <= 255; ++c) {
            in_[c] = true;
        }
    }
    constexpr bool Contains(unsigned char byte) const { return in_[byte]; }

  private:
    std::array<bool, 256> in_{};
};

inline constexpr TJoinChars JoinChars;

// Every CR LF with at least one byte before and after it loses a byte: it becomes
// one space when the bytes around it are both in JoinChars, a lone CR otherwise.
// The reader ends lines at CR alone, so the shortened breaks still break lines.
// With `lfIsCrLf` an LF that follows no CR is taken as CR LF first, for texts
// written with Unix line ends.
class TLineJoiner {
  public:
    explicit TLineJoiner(bool lfIsCrLf = false) : lfIsCrLf_(lfIsCrLf) {}

    // Appends the joined bytes of `in` to `out`; the last two output bytes are held
    // back, since the next input may still rewrite them.
    void Feed(std::string_view in, std::string& out);
    void Finish(std::string& out);

  private:
    void Step(char b, std::string& out);

    bool lfIsCrLf_;
    std::array<char, 4> window_{};  // the last four input bytes, oldest first
    std::size_t seen_ = 0;          // input bytes so far, capped at 4
    std::string held_;
};

// The paragraphs rule on a whole text of `codePage` (its letters and their case).
std::string JoinParagraphs(std::string_view text, const TCodePageEncoder& codePage);

// Joins the lines of everything written to it and passes the result on. The paragraphs
// rule looks at the whole text, so it holds the text until Finish.
class TLineJoinSink : public TByteSink {
  public:
    // The neighbours rule, a lone LF taken as CR LF when `lfIsCrLf`.
    TLineJoinSink(TByteSink& next, bool lfIsCrLf) : joiner_(lfIsCrLf), next_(next) {}
    // The paragraphs rule.
    TLineJoinSink(TByteSink& next, const TCodePageEncoder& codePage)
        : next_(next), codePage_(&codePage) {}
    void Write(std::string_view bytes) override;
    void Finish() override;

  private:
    TLineJoiner joiner_;
    TByteSink& next_;
    const TCodePageEncoder* codePage_ = nullptr;  // set: the paragraphs rule
    std::string out_;
};

}  // namespace quorix
