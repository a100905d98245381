// xml_armor.cpp - the escapes, and a reader that armors a document as the parser reads it.
#include "text/xml_armor.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "text/code_page_encoder.h"

namespace quorix {
namespace {

constexpr std::string_view kSymbols = kArmorSymbols;
constexpr std::size_t kProbe = 64 * 1024;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::size_t kLongestReference = 16;  // "&#x00000000007F;" and the like

// Appends the escape of `c` by its bits at `out`.
inline void PutArmor(char32_t c, char*& out) {
    const auto symbol = [](char32_t value) { return kSymbols[value & 63]; };
    *out++ = static_cast<char>(kArmorMark);
    if (c == kArmorMark) {
        *out++ = kArmorDel;
        return;
    }
    *out++ = kArmorOther;
    if (c < 0x800) {
        *out++ = symbol(c >> 6);
        *out++ = symbol(c);
    } else if (c < 0x10000) {
        *out++ = symbol(32 + (c >> 12));
        *out++ = symbol(c >> 6);
        *out++ = symbol(c);
    } else {
        *out++ = symbol(48 + (c >> 18));
        *out++ = symbol(c >> 12);
        *out++ = symbol(c >> 6);
        *out++ = symbol(c);
    }
}

// Appends the escape of `c` at `out`: by its byte where the code page has one.
inline void PutArmor(char32_t c, const TCodePageEncoder* codePage, char*& out) {
    const int byte = codePage == nullptr ? -1 : codePage->ByteOf(c);
    if (byte >= 0xC0) {
        *out++ = static_cast<char>(kArmorMark);
        *out++ = kSymbols[byte - 0xC0];
    } else if (byte >= 0x80) {
        *out++ = static_cast<char>(kArmorMark);
        *out++ = kArmorLowHalf;
        *out++ = kSymbols[byte - 0x80];
    } else {
        PutArmor(c, out);
    }
}

}  // namespace

TArmorUnit ReadArmor(const unsigned char* s, std::size_t available, bool& cut) {
    TArmorUnit unit;
    cut = false;
    const auto need = [&](std::size_t length) {
        if (available >= length) return true;
        cut = true;
        return false;
    };
    if (!need(2)) return unit;
    const int first = ArmorSymbolValue(s[1]);
    if (first >= 0) {
        unit.length = 2;
        unit.byte = 0xC0 + first;
    } else if (s[1] == kArmorDel) {
        unit.length = 2;
        unit.c = kArmorMark;
    } else if (s[1] == kArmorLowHalf) {
        if (!need(3)) return unit;
        const int low = ArmorSymbolValue(s[2]);
        if (low >= 0) {
            unit.length = 3;
            unit.byte = 0x80 + low;
        }
    } else if (s[1] == kArmorOther) {
        if (!need(3)) return unit;
        const int lead = ArmorSymbolValue(s[2]);
        const std::size_t symbols = lead < 2    ? 0
                                    : lead < 32 ? 2
                                    : lead < 48 ? 3
                                    : lead < 53 ? 4
                                                : 0;
        if (symbols == 0 || !need(2 + symbols)) return unit;
        char32_t c = static_cast<char32_t>(lead - (symbols == 2 ? 0 : symbols == 3 ? 32 : 48));
        for (std::size_t k = 1; k < symbols; ++k) {
            const int v = ArmorSymbolValue(s[2 + k]);
            if (v < 0) return unit;
            c = c << 6 | static_cast<char32_t>(v);
        }
        unit.length = 2 + symbols;
        unit.c = c;
    }
    return unit;
}

void AppendArmor(char32_t c, std::string& out) {
    char escape[6];
    char* end = escape;
    PutArmor(c, end);
    out.append(escape, end);
}

std::string DisarmedUtf8(std::string_view armored, const TCodePageEncoder* codePage) {
    std::string out;
    out.reserve(armored.size());
    const auto* s = reinterpret_cast<const unsigned char*>(armored.data());
    std::size_t i = 0;
    while (i < armored.size()) {
        if (s[i] != kArmorMark) {
            out += armored[i++];
            continue;
        }
        bool cut = false;
        const TArmorUnit unit = ReadArmor(s + i, armored.size() - i, cut);
        if (unit.length == 0) {
            out += armored[i++];  // damaged: DEL itself
            continue;
        }
        char32_t c = unit.c;
        if (unit.byte >= 0) {
            c = codePage == nullptr ? 0xFFFD
                                    : codePage->CharOf(static_cast<unsigned char>(unit.byte));
        }
        out += Utf8Of(c);
        i += unit.length;
    }
    return out;
}

void AppendArmored(std::string_view utf8, std::string& out) {
    std::size_t at = 0;
    for (std::size_t del = utf8.find(static_cast<char>(kArmorMark)); del != std::string_view::npos;
         del = utf8.find(static_cast<char>(kArmorMark), at)) {
        out.append(utf8.substr(at, del - at));
        AppendArmor(kArmorMark, out);
        at = del + 1;
    }
    out.append(utf8.substr(at));
}

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i]) return false;
    }
    return true;
}

// The value of a pseudo-attribute of the XML declaration; empty when it is not there.
std::string_view DeclarationValue(std::string_view declaration, std::string_view name) {
    std::size_t at = declaration.find(name);
    if (at == std::string_view::npos) return {};
    at += name.size();
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at >= declaration.size() || declaration[at] != '=') return {};
    ++at;
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
    const std::size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos) return {};
    return declaration.substr(at + 1, end - at - 1);
}

// How a document is armored: from where its root element starts, and whether its bytes are
// UTF-8 or those of the build's code page (a book declared in it, such as windows-1251).
struct TArmorPlan {
    std::size_t root = std::string_view::npos;  // npos: not armored
    bool codePageBytes = false;
    std::string prolog;  // what the parser is given before the root, in UTF-8
};

// The character a code-page byte stands for in UTF-8, appended at `out`; a byte the code page
// leaves undefined stays a byte no UTF-8 text holds, for the parser to refuse as before.
inline void PutUtf8Of(unsigned char byte, const TCodePageEncoder& codePage, char*& out) {
    const char32_t c = codePage.CharOf(byte);
    if (c == 0xFFFD) {
        *out++ = static_cast<char>(0xFF);
        return;
    }
    const std::string utf8 = Utf8Of(c);
    std::memcpy(out, utf8.data(), utf8.size());
    out += utf8.size();
}

// A name as XML spells an encoding's: iconv would take names the parser refuses.
bool IsEncodingName(std::string_view name) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (name.empty() || !letter(name[0])) return false;
    for (char c : name) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_' && c != '-') return false;
    }
    return true;
}

TArmorPlan PlanArmor(std::string_view start, const TCodePageEncoder& codePage) {
    TArmorPlan plan;
    const std::size_t skip = StartsWith(start, "\xEF\xBB\xBF") ? 3 : 0;
    std::string_view s = start.substr(skip);
    std::size_t at = 0;
    std::size_t encodingAt = 0, encodingSize = 0;
    if (StartsWith(s, "<?xml") && s.size() > 5 && IsXmlSpace(s[5])) {
        const std::size_t end = s.find("?>");
        if (end == std::string_view::npos) return plan;
        const std::string_view declaration = s.substr(0, end);
        if (DeclarationValue(declaration, "version") != "1.0") return plan;
        const std::string_view encoding = DeclarationValue(declaration, "encoding");
        if (!encoding.empty() && !EqualsIgnoringCase(encoding, "utf-8") &&
            !EqualsIgnoringCase(encoding, "utf8")) {
            // Bytes of the code page itself are armored as they are; any other encoding
            // is left to the parser.
            if (skip != 0 || !IsEncodingName(encoding) ||
                !codePage.SameBytesAs(std::string(encoding)))
                return plan;
            plan.codePageBytes = true;
            encodingAt = static_cast<std::size_t>(encoding.data() - s.data());
            encodingSize = encoding.size();
        }
        at = end + 2;
    }
    for (;;) {
        while (at < s.size() && IsXmlSpace(s[at])) ++at;
        if (at + 1 >= s.size() || s[at] != '<') return plan;
        const std::string_view rest = s.substr(at);
        if (StartsWith(rest, "<!--")) {
            const std::size_t end = s.find("-->", at + 4);
            if (end == std::string_view::npos) return plan;
            at = end + 3;
        } else if (StartsWith(rest, "<?")) {
            const std::size_t end = s.find("?>", at + 2);
            if (end == std::string_view::npos) return plan;
            at = end + 2;
        } else if (rest[1] == '!' || rest[1] == '/' || IsXmlSpace(rest[1])) {
            return plan;  // a document type declaration, or not XML
        } else {
            break;
        }
    }
    plan.root = skip + at;
    if (!plan.codePageBytes) {
        plan.prolog = std::string(s.substr(0, at));
        return plan;
    }
    // The prolog in UTF-8, declared so.
    std::string prolog =
        std::string(s.substr(0, encodingAt)) + "UTF-8" +
        std::string(s.substr(encodingAt + encodingSize, at - encodingAt - encodingSize));
    plan.prolog.resize(3 * prolog.size());
    char* out = plan.prolog.data();
    for (unsigned char c : prolog) {
        if (c < 0x80) {
            *out++ = static_cast<char>(c);
        } else {
            PutUtf8Of(c, codePage, out);
        }
    }
    plan.prolog.resize(static_cast<std::size_t>(out - plan.prolog.data()));
    return plan;
}

// Serves `start`, then the rest of `in`.
class TPrefixedReader : public TByteReader {
  public:
    TPrefixedReader(std::string start, TByteReader& in) : start_(std::move(start)), in_(in) {}

    std::size_t Read(char* buffer, std::size_t count) override {
        if (at_ < start_.size()) {
            const std::size_t n = std::min(count, start_.size() - at_);
            std::memcpy(buffer, start_.data() + at_, n);
            at_ += n;
            return n;
        }
        return in_.Read(buffer, count);
    }
    void Rewind() override {
        in_.Rewind();
        start_ = ReadUpTo(in_, start_.size());
        at_ = 0;
    }

  private:
    std::string start_;
    std::size_t at_ = 0;
    TByteReader& in_;
};

constexpr int kStates = 7;
using TStops = std::array<std::array<bool, 256>, kStates>;

// Armors a document from its root element on. Markup is tracked only as far as telling
// text, attribute values and CDATA sections from the rest: whatever a malformed document
// holds, the parser still sees where it goes wrong, and the same bytes as before there.
class TArmoringReader : public TByteReader {
  public:
    TArmoringReader(std::string start, TArmorPlan plan, TByteReader& in,
                    const TCodePageEncoder& codePage)
        : start_(std::move(start)), plan_(std::move(plan)), in_(in), codePage_(codePage) {
        FillLetters();
        Restart();
    }

    std::size_t Read(char* buffer, std::size_t count) override;
    void Rewind() override {
        in_.Rewind();
        start_ = ReadUpTo(in_, start_.size());
        Restart();
    }

  private:
    enum TState { kText, kTag, kDoubleQuoted, kSingleQuoted, kComment, kCData, kInstruction };
    static constexpr TStops StopTable(bool codePageBytes);
    static const TStops kStops, kByteStops;

    void FillLetters();
    void Restart();
    bool Refill();
    // Armors what it can of `in` into `out`; returns how many bytes it used. Only at the
    // end of the document is a cut sequence or reference given as it is.
    std::size_t Armor(std::string_view in, bool atEnd, char*& out);
    std::size_t ArmorCharacter(const unsigned char* s, std::size_t available, bool atEnd,
                               char*& out) const;
    void ArmorByte(unsigned char byte, char*& out) const;
    static std::size_t Reference(std::string_view in, bool atEnd, char*& out);
    std::size_t OpenMarkup(std::string_view in, bool atEnd, char*& out);
    void EndMarkup(unsigned char c, bool plainBefore);

    std::string start_;
    TArmorPlan plan_;
    TByteReader& in_;
    const TCodePageEncoder& codePage_;
    TState state_ = kText;
    int marks_ = 0;      // "-", "]" or "?" just before, in a comment, CDATA section or instruction
    std::string carry_;  // bytes of the input not yet armored
    std::unique_ptr<char[]> out_;  // armored bytes, never longer than thrice the input
    std::size_t outSize_ = 0, outCapacity_ = 0, served_ = 0;
    bool startDone_ = false;
    bool ended_ = false;
    std::string chunk_;
    // The two-byte escape of each two-byte UTF-8 letter that is in the code page's upper half,
    // by its lead and continuation bytes' low bits; 0 for the others.
    std::array<std::uint16_t, 32 * 64> letters_{};
};

// The bytes that end a plain run in each state. Code-page bytes end it everywhere: outside
// text they become UTF-8.
constexpr TStops TArmoringReader::StopTable(bool codePageBytes) {
    TStops stops{};
    for (int c = 0; c < 256; ++c) {
        const bool armored = c >= kArmorMark;
        const bool converted = codePageBytes && c >= 0x80;
        stops[kText][c] = c == '<' || c == '&' || armored;
        stops[kTag][c] = c == '>' || c == '"' || c == '\'' || converted;
        stops[kDoubleQuoted][c] = c == '"' || c == '&' || armored;
        stops[kSingleQuoted][c] = c == '\'' || c == '&' || armored;
        stops[kComment][c] = c == '>' || c == '-' || converted;
        stops[kCData][c] = c == '>' || c == ']' || armored;
        stops[kInstruction][c] = c == '>' || c == '?' || converted;
    }
    return stops;
}
constexpr TStops TArmoringReader::kStops = TArmoringReader::StopTable(false);
constexpr TStops TArmoringReader::kByteStops = TArmoringReader::StopTable(true);

void TArmoringReader::FillLetters() {
    for (unsigned index = 2 * 64; index < letters_.size(); ++index) {
        const int byte = codePage_.ByteOf(static_cast<char32_t>(index));
        if (byte < 0xC0) continue;
        const char escape[2] = {static_cast<char>(kArmorMark), kSymbols[byte - 0xC0]};
        std::memcpy(&letters_[index], escape, 2);
    }
}

void TArmoringReader::Restart() {
    state_ = kText;
    marks_ = 0;
    carry_.clear();
    const std::string& prolog = plan_.prolog;
    outCapacity_ = std::max(prolog.size(), 3 * kProbe + 64);
    out_ = std::make_unique_for_overwrite<char[]>(outCapacity_);
    std::memcpy(out_.get(), prolog.data(), prolog.size());
    outSize_ = prolog.size();
    served_ = 0;
    startDone_ = false;
    ended_ = false;
}

std::size_t TArmoringReader::Read(char* buffer, std::size_t count) {
    while (served_ == outSize_) {
        outSize_ = served_ = 0;
        if (!Refill()) return 0;
    }
    const std::size_t n = std::min(count, outSize_ - served_);
    std::memcpy(buffer, out_.get() + served_, n);
    served_ += n;
    return n;
}

bool TArmoringReader::Refill() {
    if (ended_) return false;
    std::string_view fresh;
    if (!startDone_) {
        startDone_ = true;
        fresh = std::string_view(start_).substr(plan_.root);
    } else {
        chunk_.resize(kChunk);
        chunk_.resize(in_.Read(chunk_.data(), chunk_.size()));
        fresh = chunk_;
        ended_ = chunk_.empty();
    }
    std::string input;
    if (!carry_.empty()) {
        input.swap(carry_);
        input.append(fresh);
        fresh = input;
    }
    const std::size_t room = 3 * fresh.size() + 64;
    if (outCapacity_ < room) {
        outCapacity_ = room;
        out_ = std::make_unique_for_overwrite<char[]>(outCapacity_);
    }
    char* out = out_.get();
    const std::size_t used = Armor(fresh, ended_, out);
    outSize_ = static_cast<std::size_t>(out - out_.get());
    carry_.assign(fresh.substr(used));
    return !ended_ || outSize_ > 0;
}

std::size_t TArmoringReader::Armor(std::string_view in, bool atEnd, char*& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t n = in.size();
    std::size_t i = 0;
    const bool bytes = plan_.codePageBytes;
    while (i < n) {
        const std::array<bool, 256>& stops = bytes ? kByteStops[state_] : kStops[state_];
        const std::size_t run = i;
        if (bytes) {
            // Plain bytes, and in text the code page's upper letters, the short way.
            for (;;) {
                while (i < n && !stops[s[i]]) *out++ = static_cast<char>(s[i++]);
                if (i == n || s[i] < 0xC0 || state_ == kTag || state_ == kComment ||
                    state_ == kInstruction || codePage_.CharOf(s[i]) == 0xFFFD)
                    break;
                *out++ = static_cast<char>(kArmorMark);
                *out++ = kSymbols[s[i++] - 0xC0];
            }
        }
        // Plain bytes and two-byte letters (Cyrillic, Greek, accented Latin), the short way.
        for (; !bytes;) {
            while (i < n && !stops[s[i]]) *out++ = static_cast<char>(s[i++]);
            if (i + 1 >= n) break;
            const unsigned lead = s[i] - 0xC0u;
            if (lead >= 0x20 || (s[i + 1] & 0xC0) != 0x80) break;
            const std::uint16_t escape = letters_[lead << 6 | (s[i + 1] & 0x3Fu)];
            if (escape == 0) break;
            std::memcpy(out, &escape, 2);
            out += 2;
            i += 2;
        }
        if (i == n) break;
        const unsigned char c = s[i];
        std::size_t used = 1;
        if (bytes && c >= 0x80 &&
            (state_ == kTag || state_ == kComment || state_ == kInstruction)) {
            marks_ = 0;
            PutUtf8Of(c, codePage_, out);  // markup: the parser reads it as UTF-8 now
        } else if (c >= kArmorMark) {
            marks_ = 0;
            if (bytes) {
                ArmorByte(c, out);
            } else {
                used = ArmorCharacter(s + i, n - i, atEnd, out);
            }
        } else if (c == '&') {
            used = Reference(in.substr(i), atEnd, out);
        } else if (state_ == kText) {
            used = OpenMarkup(in.substr(i), atEnd, out);
        } else {
            *out++ = static_cast<char>(c);
            if (state_ == kTag) {
                state_ = c == '"' ? kDoubleQuoted : c == '\'' ? kSingleQuoted : kText;
            } else if (state_ == kDoubleQuoted || state_ == kSingleQuoted) {
                state_ = kTag;
            } else {
                EndMarkup(c, i > run);
            }
        }
        if (used == 0) break;  // more input is needed
        i += used;
    }
    return i;
}

// A comment ends with "-->", a CDATA section with "]]>", an instruction with "?>".
void TArmoringReader::EndMarkup(unsigned char c, bool plainBefore) {
    if (plainBefore) marks_ = 0;
    if (c != '>') {
        marks_ = state_ == kInstruction ? 1 : marks_ + 1;
        return;
    }
    if (marks_ >= (state_ == kInstruction ? 1 : 2)) state_ = kText;
    marks_ = 0;
}

// A byte of the code page in text, an attribute value or a CDATA section.
void TArmoringReader::ArmorByte(unsigned char byte, char*& out) const {
    if (byte == kArmorMark) {
        PutArmor(kArmorMark, out);
    } else if (codePage_.CharOf(byte) == 0xFFFD) {
        *out++ = static_cast<char>(0xFF);  // undefined: refused as before
    } else {
        *out++ = static_cast<char>(kArmorMark);
        if (byte < 0xC0) *out++ = kArmorLowHalf;
        *out++ = kSymbols[byte & 0x3F];
    }
}

std::size_t TArmoringReader::ArmorCharacter(const unsigned char* s, std::size_t available,
                                            bool atEnd, char*& out) const {
    if (s[0] == kArmorMark) {
        PutArmor(kArmorMark, out);
        return 1;
    }
    std::size_t length = Utf8SequenceLength(s[0]);
    if (length > available) {
        if (!atEnd) return 0;
        length = 0;
    }
    char32_t c = 0;
    if (!DecodeUtf8Sequence(s, length, c)) {
        *out++ = static_cast<char>(s[0]);  // left for the parser to refuse
        return 1;
    }
    if (c == 0xFFFE || c == 0xFFFF) {
        std::memcpy(out, s, length);  // no XML character: refused as before
        out += length;
    } else {
        PutArmor(c, &codePage_, out);
    }
    return length;
}

// A character reference to DEL would reach the reports as a bare DEL; every other
// reference is left to the parser.
std::size_t TArmoringReader::Reference(std::string_view in, bool atEnd, char*& out) {
    const std::size_t semicolon = in.substr(0, kLongestReference).find(';');
    if (semicolon == std::string_view::npos && in.size() < kLongestReference && !atEnd) return 0;
    if (semicolon != std::string_view::npos && StartsWith(in, "&#")) {
        const bool hex = in.size() > 2 && in[2] == 'x';
        std::string_view digits = in.substr(hex ? 3 : 2, semicolon - (hex ? 3 : 2));
        unsigned long value = 0;
        bool valid = !digits.empty();
        for (char d : digits) {
            const int digit = d >= '0' && d <= '9'          ? d - '0'
                              : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                              : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                            : -1;
            if (digit < 0) valid = false;
            value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit < 0 ? 0 : digit);
        }
        if (valid && value == kArmorMark) {
            PutArmor(kArmorMark, out);
            return semicolon + 1;
        }
    }
    *out++ = '&';
    return 1;
}

// Text meets '<': a tag, a comment, a CDATA section or a processing instruction begins.
std::size_t TArmoringReader::OpenMarkup(std::string_view in, bool atEnd, char*& out) {
    if (in.size() < 4 && !atEnd) return 0;
    std::size_t opener = 1;
    state_ = kTag;
    if (StartsWith(in, "<!--")) {
        opener = 4;
        state_ = kComment;
    } else if (StartsWith(in, "<![")) {
        opener = 3;
        state_ = kCData;
    } else if (StartsWith(in, "<?")) {
        opener = 2;
        state_ = kInstruction;
    }
    marks_ = 0;
    std::memcpy(out, in.data(), opener);
    out += opener;
    return opener;
}

}  // namespace

TXmlInput OpenXmlInput(TByteReader& in, const TCodePageEncoder* codePage) {
    std::string start = ReadUpTo(in, kProbe);
    TArmorPlan plan = codePage != nullptr ? PlanArmor(start, *codePage) : TArmorPlan{};
    TXmlInput input;
    if (plan.root == std::string_view::npos) {
        input.reader = std::make_unique<TPrefixedReader>(std::move(start), in);
    } else {
        input.reader =
            std::make_unique<TArmoringReader>(std::move(start), std::move(plan), in, *codePage);
        input.armored = true;
    }
    return input;
}

}  // namespace quorix
