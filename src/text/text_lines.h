// text_lines.h - plain lines from the text of structured books (FB2, EPUB).
#pragma once

#include <string>
#include <string_view>

#include "text/byte_sink.h"

namespace quorix {

// Gathers UTF-8 text into lines, each ended by CR, the phone's line break.
// Whitespace runs become one space; a line never begins or ends with one.
class TTextLines {
  public:
    explicit TTextLines(TByteSink& out) : out_(out) {}

    void Text(std::string_view utf8);
    // Ends the line being gathered, if it holds anything.
    void EndLine();
    // Ends the line even when it is empty (a "br" or "empty-line").
    void BreakLine();
    // The next line, a title, gets an empty line before it, unless it is the first.
    void BlankBeforeNext() { blankBefore_ = true; }
    // Passes on whatever is still gathered; the end of the book.
    void Finish();
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
