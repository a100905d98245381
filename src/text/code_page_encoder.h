// code_page_encoder.h - Unicode characters into bytes of the build's single-byte code page.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/byte_sink.h"
#include "text/iconv_handle.h"

namespace quorix {

// A character the code page lacks is transliterated where iconv knows a spelling
// for it (typographic quotes, dashes, ligatures, accented letters) and is "?"
// otherwise; both are counted, and the first few are kept for the log. A character
// that shows nothing (IsInvisible) is dropped, even where the code page has a byte for
// it: a soft hyphen would be drawn as "-".
class TCodePageEncoder {
  public:
    struct TReplacement {
        std::string character;  // UTF-8
        std::string written;    // code-page bytes
    };
    static constexpr std::size_t kKeptReplacements = 5;

    explicit TCodePageEncoder(const std::string& codePage);
    ~TCodePageEncoder();
    TCodePageEncoder(const TCodePageEncoder&) = delete;
    TCodePageEncoder& operator=(const TCodePageEncoder&) = delete;

    // Whether every ASCII character is the byte of its own value, so that ASCII text can be
    // passed on as it is.
    bool KeepsAscii() const { return keepsAscii_; }

    void Put(char32_t c, std::string& out) {
        if (c < low_.size() && low_[c] >= 0) {
            out.push_back(static_cast<char>(low_[c]));
            return;
        }
        PutOther(c, out);
    }

    // The character a byte of the code page stands for; U+FFFD for an undefined byte.
    char32_t CharOf(unsigned char byte) const { return charOf_[byte]; }

    // The code page's byte for `c`, -1 when it has none or drops `c` (Put then writes a
    // replacement or nothing).
    int ByteOf(char32_t c) const {
        if (c < low_.size()) return low_[c];
        if (c > 0x10FFFF) return -1;
        const std::uint8_t index = pageIndex_[c >> 8];
        return index == 0 ? -1 : pages_[index - 1][c & 0xFF];
    }

    const std::string& CodePage() const { return codePage_; }
    std::uint64_t ReplacedCount() const { return replacedCount_; }
    const std::vector<TReplacement>& FirstReplacements() const { return first_; }

  private:
    using TPage = std::array<std::int16_t, 256>;  // byte of each character, -1 when absent
    void PutOther(char32_t c, std::string& out);
    const std::string& Transliterate(char32_t c);

    std::string codePage_;
    std::array<std::int16_t, 128> ascii_{};
    std::array<char32_t, 256> charOf_{};
    bool keepsAscii_ = false;  // ascii_[c] == c for every c
    // The bytes of the characters below U+0800 (ASCII and the two-byte UTF-8 letters of
    // Cyrillic, Greek and Latin alphabets), -1 where the code page has none.
    std::array<std::int16_t, 0x800> low_{};
    std::vector<std::uint8_t> pageIndex_;  // per 256 characters: 1 + index into pages_, 0 = none
    std::vector<TPage> pages_;
    std::map<char32_t, std::string> transliterated_;
    TIconv translit_;
    std::uint64_t replacedCount_ = 0;
    std::vector<TReplacement> first_;
};

// Decodes a UTF-8 byte stream, composes it by NFC, encodes it into the code page and
// passes the bytes on; characters that show nothing are dropped after composing, so
// that a letter written with a combining mark stays a letter. A character cut between
// two writes is held until the next, and so is the last byte written, which a
// combining mark of the next write may still change. An invalid sequence raises
// TTextError naming its offset, counted from `firstOffset`.
class TUtf8ToCodePageSink : public TByteSink {
  public:
    TUtf8ToCodePageSink(TCodePageEncoder& encoder, TByteSink& next, std::uint64_t firstOffset = 0)
        : encoder_(encoder), next_(next), offset_(firstOffset) {}
    void Write(std::string_view utf8) override;
    void Finish() override;

  private:
    // Decodes whole sequences from `in`; returns how many bytes it used.
    std::size_t Decode(std::string_view in, bool atEnd);
    // Writes a character without a byte of its own (`length` input bytes at `i`), composed
    // with its neighbours where NFC joins them; returns the input bytes used, 0 when the
    // input ends before what follows is known.
    std::size_t PutComposed(const unsigned char* s, std::size_t n, std::size_t i, char32_t c,
                            std::size_t length, bool atEnd, char*& o);
    // The character at `j` for the look ahead of a composition: its length, 0 where no
    // character can join one before it (ASCII, an invalid sequence), npos when cut off.
    std::size_t NextChar(const unsigned char* s, std::size_t n, std::size_t j, bool atEnd,
                         char32_t& c) const;
    // Writes `c` at `at`, in out_, as its byte, nothing or a replacement, keeping room for
    // `left` more bytes.
    void PutReplaced(char32_t c, char*& at, std::size_t left);
    [[noreturn]] void Invalid(std::size_t at) const;

    TCodePageEncoder& encoder_;
    TByteSink& next_;
    std::uint64_t offset_;  // source offset of the first byte not yet decoded
    std::string pending_;
    std::string out_;
    // Where in out_ the byte before is no character to compose with (it was replaced,
    // or something was dropped after it); npos when nowhere.
    std::size_t blockedAt_ = std::string::npos;
    std::string replacement_;
};

// The offset of the first invalid UTF-8 sequence in `bytes`, the length of a
// sequence cut off by the end (`cut`), or npos when every sequence is whole and valid.
std::size_t FindInvalidUtf8(std::string_view bytes, std::size_t* cut = nullptr);

// The length of the UTF-8 sequence `lead` starts: 1 for ASCII, 0 for a byte that starts none.
std::size_t Utf8SequenceLength(unsigned char lead);

// The character of the `length` bytes at `s` (as Utf8SequenceLength gives it), when they are
// a valid, shortest-form sequence.
bool DecodeUtf8Sequence(const unsigned char* s, std::size_t length, char32_t& c);

// The UTF-8 spelling of one character.
std::string Utf8Of(char32_t c);

}  // namespace quorix
