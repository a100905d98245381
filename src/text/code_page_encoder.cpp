// code_page_encoder.cpp - code-page tables, transliteration through iconv, UTF-8 decoding.
#include "text/code_page_encoder.h"

#include <locale.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "text/nfc.h"
#include "text/text_error.h"

namespace quorix {
namespace {

constexpr char32_t kLastChar = 0x10FFFF;

// Transliteration tables come from the locale; the same one is used for every
// build so that a book does not depend on who builds it.
class TFixedCtype {
  public:
    TFixedCtype() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
        if (locale_ != static_cast<locale_t>(0)) previous_ = uselocale(locale_);
    }
    ~TFixedCtype() {
        if (locale_ == static_cast<locale_t>(0)) return;
        uselocale(previous_);
        freelocale(locale_);
    }
    TFixedCtype(const TFixedCtype&) = delete;
    TFixedCtype& operator=(const TFixedCtype&) = delete;

  private:
    locale_t locale_;
    locale_t previous_ = static_cast<locale_t>(0);
};

// Length of the sequence a lead byte starts; 0 for a byte that cannot lead.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF5) return 4;
    return 0;
}

// Whether the bytes after the lead continue a valid, shortest-form sequence.
bool ValidTail(const unsigned char* s, std::size_t length) {
    for (std::size_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return false;
    }
    if (length == 3) {
        if (s[0] == 0xE0 && s[1] < 0xA0) return false;   // overlong
        if (s[0] == 0xED && s[1] >= 0xA0) return false;  // surrogate
    }
    if (length == 4) {
        if (s[0] == 0xF0 && s[1] < 0x90) return false;   // overlong
        if (s[0] == 0xF4 && s[1] >= 0x90) return false;  // beyond U+10FFFF
    }
    return true;
}

char32_t DecodeValid(const unsigned char* s, std::size_t length) {
    switch (length) {
        case 1:
            return s[0];
        case 2:
            return (s[0] & 0x1Fu) << 6 | (s[1] & 0x3Fu);
        case 3:
            return (s[0] & 0x0Fu) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3Fu);
        default:
            return (s[0] & 0x07u) << 18 | (s[1] & 0x3Fu) << 12 | (s[2] & 0x3Fu) << 6 |
                   (s[3] & 0x3Fu);
    }
}

constexpr char32_t kUndefined = 0xFFFD;

}  // namespace

std::size_t Utf8SequenceLength(unsigned char lead) {
    return SequenceLength(lead);
}

bool DecodeUtf8Sequence(const unsigned char* s, std::size_t length, char32_t& c) {
    if (length == 0 || SequenceLength(s[0]) != length || !ValidTail(s, length)) return false;
    c = DecodeValid(s, length);
    return true;
}

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

TCodePageEncoder::TCodePageEncoder(const std::string& codePage)
    : codePage_(codePage), pageIndex_((kLastChar >> 8) + 1, 0) {
    ascii_.fill(-1);
    charOf_.fill(kUndefined);
    TIconv toUnicode = TIconv::Open("UTF-32LE", codePage, codePage);
    for (int byte = 0; byte < 256; ++byte) {
        const std::optional<char32_t> found =
            toUnicode.CharOfByte(static_cast<unsigned char>(byte));
        if (!found || *found == kUndefined) continue;
        const char32_t c = *found;
        charOf_[byte] = c;
        if (c >= 0x80 && IsInvisible(c)) continue;  // no byte for it: Put drops it
        if (c < 0x80) ascii_[c] = static_cast<std::int16_t>(byte);
        std::uint8_t& index = pageIndex_[c >> 8];
        if (index == 0) {
            pages_.emplace_back();
            pages_.back().fill(-1);
            index = static_cast<std::uint8_t>(pages_.size());
        }
        std::int16_t& slot = pages_[index - 1][c & 0xFF];
        if (slot < 0) slot = static_cast<std::int16_t>(byte);  // the first byte wins
    }
    keepsAscii_ = true;
    for (int c = 0; c < 0x80; ++c) keepsAscii_ = keepsAscii_ && ascii_[c] == c;
    for (std::size_t c = 0; c < low_.size(); ++c) {
        const std::uint8_t index = pageIndex_[c >> 8];
        low_[c] = c < 0x80     ? ascii_[c]
                  : index == 0 ? std::int16_t{-1}
                               : pages_[index - 1][c & 0xFF];
    }
    translit_ = TIconv::Open(codePage + "//TRANSLIT", "UTF-8", codePage);
}

TCodePageEncoder::~TCodePageEncoder() = default;

void TCodePageEncoder::PutOther(char32_t c, std::string& out) {
    if (c <= kLastChar) {
        std::uint8_t index = pageIndex_[c >> 8];
        if (index != 0) {
            std::int16_t byte = pages_[index - 1][c & 0xFF];
            if (byte >= 0) {
                out.push_back(static_cast<char>(byte));
                return;
            }
        }
    }
    if (IsInvisible(c)) return;
    const std::string& written = Transliterate(c);
    out.append(written);
    ++replacedCount_;
    if (first_.size() < kKeptReplacements) {
        std::string character = Utf8Of(c);
        for (const TReplacement& r : first_) {
            if (r.character == character) return;
        }
        first_.push_back({std::move(character), written});
    }
}

const std::string& TCodePageEncoder::Transliterate(char32_t c) {
    auto found = transliterated_.find(c);
    if (found != transliterated_.end()) return found->second;
    std::string in = Utf8Of(c);
    std::string written;
    {
        TFixedCtype ctype;
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char out[32];
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        translit_.Reset();
        std::size_t rc = translit_.Convert(inPtr, inLeft, outPtr, outLeft);
        if (rc != static_cast<std::size_t>(-1) && inLeft == 0) {
            translit_.Flush(outPtr, outLeft);
            written.assign(out, static_cast<std::size_t>(outPtr - out));
        }
    }
    if (written.empty()) written.assign(1, '?');
    return transliterated_.emplace(c, std::move(written)).first->second;
}

std::size_t FindInvalidUtf8(std::string_view bytes, std::size_t* cut) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    if (cut != nullptr) *cut = 0;
    std::size_t i = 0;
    while (i < n) {
        // Eight ASCII bytes at a time, and two-byte letters (Cyrillic, Greek, accented
        // Latin) without the general checks.
        std::uint64_t eight = 0;
        while (i + 8 <= n && (std::memcpy(&eight, s + i, 8), (eight & 0x8080808080808080u) == 0)) {
            i += 8;
        }
        if (i >= n) break;
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        if (s[i] >= 0xC2 && s[i] < 0xE0 && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            i += 2;
            continue;
        }
        std::size_t length = SequenceLength(s[i]);
        if (length == 0) return i;
        if (i + length > n) {
            // A cut sequence is invalid only if what is there is already wrong.
            std::size_t have = n - i;
            unsigned char padded[4] = {s[i], 0x80, 0xBF, 0xBF};
            for (std::size_t k = 1; k < have; ++k) padded[k] = s[i + k];
            if (have >= 2 && !ValidTail(padded, have)) return i;
            if (cut == nullptr) return i;
            *cut = have;
            return std::string_view::npos;
        }
        if (!ValidTail(s + i, length)) return i;
        i += length;
    }
    return std::string_view::npos;
}

namespace {
// A composition takes at most this many characters; a longer run of marks is cut there.
constexpr std::size_t kMostComposed = 32;
// Bytes enough to complete a cut character or composition: the longest escape is six.
constexpr std::size_t kCompletion = 6 * kMostComposed + 8;
}  // namespace

void TUtf8ToCodePageSink::Write(std::string_view utf8) {
    if (!pending_.empty()) {
        const std::size_t held = pending_.size();
        const std::size_t take = std::min(utf8.size(), kCompletion);
        pending_.append(utf8.substr(0, take));
        const std::size_t used = Decode(pending_, false);
        if (used < held) {
            // Still cut: what came is held too.
            pending_.erase(0, used);
            pending_.append(utf8.substr(take));
            utf8 = {};
        } else {
            utf8.remove_prefix(used - held);
            pending_.clear();
        }
    }
    if (!utf8.empty()) {
        std::size_t used = Decode(utf8, false);
        pending_.assign(utf8.substr(used));
    }
    if (out_.size() > 1) {
        // The last byte stays: a combining mark that follows may compose with it.
        const bool blocked = blockedAt_ == out_.size();
        next_.Write(std::string_view(out_).substr(0, out_.size() - 1));
        out_.erase(0, out_.size() - 1);
        blockedAt_ = blocked ? 1 : std::string::npos;
    }
}

void TUtf8ToCodePageSink::Finish() {
    if (!pending_.empty()) {
        // A cut character is invalid.
        Decode(pending_, true);
        pending_.clear();
    }
    next_.Write(out_);
    out_.clear();
    next_.Finish();
}

std::size_t TUtf8ToCodePageSink::Decode(std::string_view in, bool atEnd) {
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    const bool keepsAscii = encoder_.KeepsAscii();
    // Eight bytes are ASCII when none has its high bit set.
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    // Every character takes at least one byte of `in` and gives one byte but for a
    // replacement, so the room of `in`'s size is grown only for a longer replacement.
    const std::size_t start = out_.size();
    out_.resize(start + n);
    char* o = out_.data() + start;
    std::size_t i = 0;
    while (i < n) {
        char32_t c = 0;
        std::size_t length = 0;
        if (s[i] < 0x80) {
            if (!keepsAscii) {
                c = s[i];
                length = 1;
            } else {
                // A run of ASCII goes over as it is, eight bytes at a time where it can.
                std::uint64_t eight = 0;
                while (i + 8 <= n && (std::memcpy(&eight, s + i, 8), (eight & kHighs) == 0)) {
                    std::memcpy(o, &eight, 8);
                    o += 8;
                    i += 8;
                }
                while (i < n && s[i] < 0x80) *o++ = static_cast<char>(s[i++]);
                continue;
            }
        } else if (s[i] >= 0xC2 && s[i] < 0xE0 && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
            c = DecodeValid(s + i, 2);  // a two-byte letter
            length = 2;
        } else {
            length = SequenceLength(s[i]);
            if (length == 0) Invalid(i);
            if (i + length > n) {
                std::size_t cut = 0;
                if (atEnd || FindInvalidUtf8(in.substr(i), &cut) != std::string_view::npos)
                    Invalid(i);
                break;
            }
            if (!ValidTail(s + i, length)) Invalid(i);
            c = DecodeValid(s + i, length);
        }
        const int byte = encoder_.ByteOf(c);
        if (byte >= 0) {
            *o++ = static_cast<char>(byte);
            i += length;
            continue;
        }
        const std::size_t used = PutComposed(s, n, i, c, length, atEnd, o);
        if (used == 0) break;
        i += used;
    }
    out_.resize(static_cast<std::size_t>(o - out_.data()));
    offset_ += i;
    return i;
}

std::size_t TUtf8ToCodePageSink::NextChar(const unsigned char* s, std::size_t n, std::size_t j,
                                          bool atEnd, char32_t& c) const {
    if (j >= n) return atEnd ? 0 : std::string::npos;
    const std::size_t length = SequenceLength(s[j]);
    if (length <= 1) return 0;
    if (j + length > n) return atEnd ? 0 : std::string::npos;
    if (!ValidTail(s + j, length)) return 0;
    c = DecodeValid(s + j, length);
    return length;
}

std::size_t TUtf8ToCodePageSink::PutComposed(const unsigned char* s, std::size_t n, std::size_t i,
                                             char32_t c, std::size_t length, bool atEnd, char*& o) {
    if (!TakesPartInComposition(c)) {
        if (IsInvisible(c)) {
            blockedAt_ = static_cast<std::size_t>(o - out_.data());
        } else {
            PutReplaced(c, o, n - i - length);
        }
        return length;
    }
    // The character before, when it was written as itself, and those after that join it.
    std::u32string chars;
    bool withBefore = false;
    const auto at = static_cast<std::size_t>(o - out_.data());
    if (!StartsComposition(c) && at > 0 && at != blockedAt_) {
        const char32_t before = encoder_.CharOf(static_cast<unsigned char>(o[-1]));
        if (before != 0xFFFD) {
            chars.push_back(before);
            withBefore = true;
        }
    }
    chars.push_back(c);
    std::size_t used = length;
    while (chars.size() < kMostComposed) {
        char32_t next = 0;
        const std::size_t nextLength = NextChar(s, n, i + used, atEnd, next);
        if (nextLength == std::string::npos) return 0;
        if (nextLength == 0 || StartsComposition(next)) break;
        chars.push_back(next);
        used += nextLength;
    }
    if (withBefore) --o;
    for (char32_t k : ComposedNfc(chars)) PutReplaced(k, o, n - i - used);
    blockedAt_ = static_cast<std::size_t>(o - out_.data());
    return used;
}

void TUtf8ToCodePageSink::PutReplaced(char32_t c, char*& at, std::size_t left) {
    const auto written = static_cast<std::size_t>(at - out_.data());
    replacement_.clear();
    encoder_.Put(c, replacement_);
    // Only a character written as its own byte may compose with a mark that follows.
    if (encoder_.ByteOf(c) < 0) blockedAt_ = written + replacement_.size();
    if (out_.size() - written < replacement_.size() + left) {
        out_.resize(written + replacement_.size() + left);
    }
    at = out_.data() + written;
    std::memcpy(at, replacement_.data(), replacement_.size());
    at += replacement_.size();
}

void TUtf8ToCodePageSink::Invalid(std::size_t at) const {
    throw TInvalidUtf8("Invalid UTF-8 byte sequence in the source at offset " +
                       std::to_string(offset_ + at));
}

}  // namespace quorix
