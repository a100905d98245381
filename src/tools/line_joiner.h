// line_joiner.h - joins hard-wrapped lines of a text and shortens the other line breaks.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "text/line_join.h"

namespace quorix {

// Every CR LF with at least one byte before and after it loses a byte: it becomes
// one space when the bytes around it are both in JoinChars, a lone CR otherwise.
// The reader ends lines at CR alone, so the shortened breaks still break lines.
// The rule is TLineJoiner's; the result is never longer than the input.
void JoinLinesInPlace(std::string& text);

std::string JoinLines(std::string_view text);

// Writes the joined text of `input` to input + ".txt", replacing that file when it
// exists. Raises std::runtime_error naming the file when reading or writing fails.
void WriteJoinedLines(const std::filesystem::path& input);

}  // namespace quorix
