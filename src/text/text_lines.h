// text_lines.h - plain lines from the text of structured books (FB2, EPUB).
#pragma once

#include <string>
#include <string_view>

#include "text/byte_sink.h"

namespace quorix {

// What the readers of structured books tell about the text they find.
class TLineSink {
  public:
    virtual ~TLineSink() = default;
    virtual void Text(std::string_view utf8) = 0;
    // Ends the line being gathered, if it holds anything.
    virtual void EndLine() = 0;
    // Ends the line even when it is empty (a "br" or "empty-line").
    virtual void BreakLine() = 0;
    // The next line, a title, gets an empty line before it, unless it is the first.
    virtual void BlankBeforeNext() = 0;
    // Passes on whatever is still gathered; the end of the book.
    virtual void Finish() = 0;
};

// Gathers UTF-8 text into lines, each ended by CR, the phone's line break.
// Whitespace runs become one space; a line never begins or ends with one.
class TTextLines : public TLineSink {
  public:
    explicit TTextLines(TByteSink& out) : out_(out) {}

    void Text(std::string_view utf8) override;
    void EndLine() override;
    void BreakLine() override;
    void BlankBeforeNext() override { blankBefore_ = true; }
    void Finish() override;
    // Whether any line has been written.
    bool Empty() const { return !anyLine_; }

  private:
    void StartLine();

    TByteSink& out_;
    std::string line_;          // the part of the line not yet passed on
    bool inLine_ = false;       // a line has begun
    bool space_ = false;        // whitespace seen since the last word of the line
    bool blankBefore_ = false;  // an empty line is due before the next line
    bool anyLine_ = false;      // a line was written
    bool lastBlank_ = false;    // the last line written was empty
};

}  // namespace quorix
