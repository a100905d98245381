// source_encoding.h - which encoding a plain source text is in, and its decoding.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/byte_reader.h"
#include "text/byte_sink.h"
#include "text/code_page_encoder.h"

namespace quorix {

inline constexpr std::string_view kEncodingAuto = "auto";
inline constexpr std::string_view kEncodingDetect = "detect";

struct TSourceEncoding {
    // Already bytes of the build's code page: read as they are.
    bool codePageBytes = true;
    std::string name;           // iconv name of the source's encoding when not
    std::size_t bomLength = 0;  // bytes of a byte-order mark to drop
    std::string how;            // for the log: why this encoding was taken
    // UTF-8 taken from non-ASCII bytes before the whole text was checked: the conversion
    // checks the rest, and a text that proves not to be UTF-8 is the code page's bytes.
    bool unverified = false;
};

// Chooses by the rule of `mode`: "auto" (byte-order marks, valid UTF-8 holding
// non-ASCII bytes, else the code page), "detect" (the same, then a guess by
// uchardet) or an iconv name.
TSourceEncoding ChooseEncoding(TByteReader& reader, std::string_view mode,
                               const std::string& codePage);

// For a text with bytes from 0x80 up that proves not to be UTF-8, which `auto` reads as the
// code page's bytes: the legacy Cyrillic code page uchardet names when the text plainly is in
// that page and not in the build's (KOI8-R read as CP1251 is mostly capitals); else empty.
std::string OtherCodePageGuess(TByteReader& reader, const std::string& codePage);

// Whether the whole text is valid UTF-8.
bool IsValidUtf8(TByteReader& reader);

// Decodes the whole source in `encoding` into the code page, into `out`.
void ConvertPlainText(TByteReader& reader, const TSourceEncoding& encoding,
                      TCodePageEncoder& encoder, TByteSink& out);

// Whether two single-byte code pages give every byte the same character.
bool SameCodePage(const std::string& a, const std::string& b);

}  // namespace quorix
