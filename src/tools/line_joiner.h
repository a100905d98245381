// line_joiner.h - joins hard-wrapped lines of a text and shortens the other line breaks.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorix {

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
// Works in the text's own buffer; the result is never longer than the input.
void JoinLinesInPlace(std::string& text);

std::string JoinLines(std::string_view text);

// Writes the joined text of `input` to input + ".txt", replacing that file when it
// exists. Raises std::runtime_error naming the file when reading or writing fails.
void WriteJoinedLines(const std::filesystem::path& input);

}  // namespace quorix
