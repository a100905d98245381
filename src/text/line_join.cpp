// line_join.cpp - streaming form of the line-joining rule.
#include "text/line_join.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <unordered_set>
#include <vector>

#include "text/code_page_encoder.h"

namespace quorix {
namespace {

constexpr char kCR = 13;
constexpr char kLF = 10;
constexpr std::size_t kTab = 8;
// A line shorter than this share of the text's width does not reach the wrapping margin.
constexpr double kShortLine = 0.75;
// The width is the length this share of the lines stay within.
constexpr double kWidthShare = 0.95;

enum : std::uint8_t { kLetter = 1, kUpper = 2, kLower = 4, kDash = 8 };

// What each byte of the code page is: a letter and its case, a bullet or dash.
std::array<std::uint8_t, 256> ByteClasses(const TCodePageEncoder& codePage) {
    std::array<std::uint8_t, 256> classes{};
    for (int byte = 0; byte < 256; ++byte) {
        const auto c = static_cast<UChar32>(codePage.CharOf(static_cast<unsigned char>(byte)));
        std::uint8_t k = 0;
        if (u_isalpha(c)) k |= kLetter;
        if (u_isUUppercase(c)) k |= kUpper;
        if (u_isULowercase(c)) k |= kLower;
        if (c == '-' || c == '*' || c == 0x2022 || c == 0xB7 || c == 0x2013 || c == 0x2014)
            k |= kDash;
        classes[byte] = k;
    }
    return classes;
}

struct TLine {
    std::string_view text;   // without its line break and trailing spaces
    std::size_t indent = 0;  // columns of leading whitespace
    std::size_t start = 0;   // bytes of leading whitespace
    bool Blank() const { return start == text.size(); }
    std::string_view Body() const { return text.substr(start); }
    std::size_t Width() const { return indent + text.size() - start; }
};

class TParagraphJoiner {
  public:
    TParagraphJoiner(std::string_view text, const TCodePageEncoder& codePage)
        : classes_(ByteClasses(codePage)) {
        for (int byte = 0; byte < 256; ++byte) {
            lower_[byte] = static_cast<char>(byte);
            if (!(classes_[byte] & kUpper)) continue;
            const auto c = static_cast<UChar32>(codePage.CharOf(static_cast<unsigned char>(byte)));
            const int small = codePage.ByteOf(static_cast<char32_t>(u_tolower(c)));
            if (small >= 0) lower_[byte] = static_cast<char>(small);
        }
        Split(text);
        Measure();
    }
    std::string Joined() const;

  private:
    bool Is(char c, std::uint8_t k) const { return classes_[static_cast<unsigned char>(c)] & k; }
    std::string Lower(std::string_view word) const;
    void Split(std::string_view text);
    void Measure();
    bool ListItem(std::string_view body) const;
    // `prose`: the line before reaches the margin.
    bool Heading(const TLine& line, bool prose) const;
    bool Long(const TLine& line) const {
        return line.Width() >= kShortLine * static_cast<double>(width_);
    }
    bool Starts(std::size_t i) const;
    bool Verse(std::size_t from, std::size_t to) const;
    void Join(std::string& out, std::string_view next) const;

    std::array<std::uint8_t, 256> classes_;
    std::array<char, 256> lower_{};
    std::vector<TLine> lines_;
    bool endsWithBreak_ = false;
    std::size_t bodyIndent_ = 0;
    std::size_t width_ = 0;
    std::unordered_set<std::string> words_;
};

std::string TParagraphJoiner::Lower(std::string_view word) const {
    std::string out(word);
    for (char& c : out) c = lower_[static_cast<unsigned char>(c)];
    return out;
}

void TParagraphJoiner::Split(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        TLine line;
        std::string_view t = text.substr(at, end - at);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
        line.text = t;
        while (line.start < t.size() && (t[line.start] == ' ' || t[line.start] == '\t')) {
            line.indent = t[line.start] == '\t' ? (line.indent / kTab + 1) * kTab : line.indent + 1;
            ++line.start;
        }
        lines_.push_back(line);
        at = end;
        if (at < text.size()) at += text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
        endsWithBreak_ = end < text.size();
    }
}

void TParagraphJoiner::Measure() {
    std::array<std::size_t, 64> indents{};
    std::vector<std::size_t> widths;
    for (const TLine& line : lines_) {
        if (line.Blank()) continue;
        ++indents[std::min<std::size_t>(line.indent, indents.size() - 1)];
        widths.push_back(line.Width());
        std::string_view body = line.Body();
        for (std::size_t i = 0; i < body.size();) {
            if (!Is(body[i], kLetter)) {
                ++i;
                continue;
            }
            std::size_t j = i;
            while (j < body.size() && Is(body[j], kLetter)) ++j;
            words_.insert(Lower(body.substr(i, j - i)));
            i = j;
        }
    }
    bodyIndent_ = static_cast<std::size_t>(std::max_element(indents.begin(), indents.end()) -
                                           indents.begin());
    if (!widths.empty()) {
        const auto at =
            widths.begin() + static_cast<std::ptrdiff_t>(kWidthShare * (widths.size() - 1));
        std::nth_element(widths.begin(), at, widths.end());
        width_ = *at;
    }
}

bool TParagraphJoiner::ListItem(std::string_view body) const {
    if (body.size() >= 2 && Is(body[0], kDash) && body[1] == ' ') return true;
    std::size_t i = body.size() > 0 && body[0] == '(' ? 1 : 0;
    const bool open = i == 1;
    const std::size_t first = i;
    while (i < body.size() && i - first < 3 && body[i] >= '0' && body[i] <= '9') ++i;
    const bool digits = i > first;
    if (!digits) {
        // One letter, or a Roman number, as the enumerator.
        while (i < body.size() && i - first < 5 &&
               std::string_view("IVXLivxl").find(body[i]) != std::string_view::npos)
            ++i;
        if (i == first && i < body.size() && Is(body[i], kLower)) ++i;
    }
    if (i == first || i + 1 >= body.size() || body[i + 1] != ' ') return false;
    if (body[i] == ')') return true;
    // "1." or "IV.", but not a capital's "A." (an initial) nor "(1.".
    return body[i] == '.' && !open && (digits || Is(body[first], kUpper));
}

bool TParagraphJoiner::Heading(const TLine& line, bool prose) const {
    const std::string_view body = line.Body();
    if (Long(line)) return false;
    std::size_t upper = 0, lower = 0;
    for (char c : body) {
        upper += Is(c, kUpper);
        lower += Is(c, kLower);
    }
    // Capitals alone, set apart from the prose before: a line of capitals ending a
    // sentence ("...uncle of\nHIS.") follows a line that reaches the margin.
    if (upper >= 2 && lower == 0) return !prose;
    // A line of signs alone ("* * *") parts scenes.
    if (std::none_of(body.begin(), body.end(),
                     [&](char c) { return Is(c, kLetter) || (c >= '0' && c <= '9'); }))
        return true;
    // "Chapter 12", "CHAPTER XII.", "Глава 5": a word of capitals' start and a number.
    const std::size_t space = body.find(' ');
    if (space == std::string_view::npos || space + 1 >= body.size() || !Is(body[0], kUpper))
        return false;
    static constexpr std::string_view kWords[] = {"chapter", "book", "part", "volume", "section"};
    const std::string word = Lower(body.substr(0, space));
    const bool known = std::find(std::begin(kWords), std::end(kWords), word) != std::end(kWords);
    const char next = body[space + 1];
    return known && ((next >= '0' && next <= '9') ||
                     std::string_view("IVXL").find(next) != std::string_view::npos);
}

// Whether line i starts a paragraph whatever the lines around it are.
bool TParagraphJoiner::Starts(std::size_t i) const {
    const TLine& line = lines_[i];
    if (i == 0 || lines_[i - 1].Blank() || line.Blank()) return true;
    // Indented more than the body and than the line before: a block indented as a whole
    // (a letter, a quotation) is joined like the body.
    const TLine& before = lines_[i - 1];
    if (line.indent > bodyIndent_ && line.indent > before.indent) return true;
    const bool prose = Long(before);
    // "...under section\n7.  This requirement": no item starts inside a running sentence.
    const char last = before.text.back();
    const bool runsOn = prose && (Is(last, kLetter) || last == ',');
    return (!runsOn && ListItem(line.Body())) || Heading(line, prose) ||
           Heading(before, i >= 2 && Long(lines_[i - 2]));
}

// A block of lines most of which end before the margin: verse, whose every line stays.
bool TParagraphJoiner::Verse(std::size_t from, std::size_t to) const {
    if (to - from < 2) return false;
    std::size_t shortLines = 0;
    for (std::size_t i = from; i + 1 < to; ++i) {
        shortLines += !Long(lines_[i]);
    }
    return 2 * shortLines > to - from - 1;
}

void TParagraphJoiner::Join(std::string& out, std::string_view next) const {
    const std::size_t n = out.size();
    if (n >= 2 && out[n - 1] == '-' && Is(out[n - 2], kLetter) && !next.empty() &&
        Is(next[0], kLetter)) {
        std::size_t from = n - 1;
        while (from > 0 && Is(out[from - 1], kLetter)) --from;
        std::size_t to = 0;
        while (to < next.size() && Is(next[to], kLetter)) ++to;
        const std::string word = out.substr(from, n - 1 - from) + std::string(next.substr(0, to));
        if (words_.count(Lower(word)) > 0) out.pop_back();
        out += next;
        return;
    }
    out += ' ';
    out += next;
}

std::string TParagraphJoiner::Joined() const {
    std::string out;
    std::size_t i = 0;
    while (i < lines_.size()) {
        std::size_t end = i + 1;
        while (end < lines_.size() && !Starts(end)) ++end;
        const bool verse = Verse(i, end);
        for (std::size_t k = i; k < end; ++k) {
            if (k == i) {
                out += lines_[k].text;
            } else if (verse) {
                out += kCR;
                out += lines_[k].text;
            } else {
                Join(out, lines_[k].Body());
            }
        }
        if (end < lines_.size() || endsWithBreak_) out += kCR;
        i = end;
    }
    return out;
}

}  // namespace

std::string JoinParagraphs(std::string_view text, const TCodePageEncoder& codePage) {
    return TParagraphJoiner(text, codePage).Joined();
}

void TLineJoiner::Step(char b, std::string& out) {
    window_ = {window_[1], window_[2], window_[3], b};
    if (seen_ < 4) ++seen_;
    // Each pair is judged by its input neighbours, never by rewritten bytes. When
    // this holds, the output ends with that CR LF.
    if (seen_ >= 4 && window_[1] == kCR && window_[2] == kLF) {
        const bool join = JoinChars.Contains(static_cast<unsigned char>(window_[0])) &&
                          JoinChars.Contains(static_cast<unsigned char>(b));
        out[out.size() - 2] = join ? ' ' : kCR;
        out[out.size() - 1] = b;
    } else {
        out.push_back(b);
    }
}

void TLineJoiner::Feed(std::string_view in, std::string& out) {
    const std::size_t start = out.size();
    out.append(held_);
    held_.clear();
    for (char b : in) {
        if (lfIsCrLf_ && b == kLF && window_[3] != kCR) Step(kCR, out);
        Step(b, out);
    }
    const std::size_t keep = std::min<std::size_t>(2, out.size() - start);
    held_.assign(out, out.size() - keep, keep);
    out.resize(out.size() - keep);
}

void TLineJoiner::Finish(std::string& out) {
    out.append(held_);
    held_.clear();
}

void TLineJoinSink::Write(std::string_view bytes) {
    if (codePage_ != nullptr) {
        out_.append(bytes);
        return;
    }
    joiner_.Feed(bytes, out_);
    next_.Write(out_);
    out_.clear();
}

void TLineJoinSink::Finish() {
    if (codePage_ != nullptr) {
        out_ = JoinParagraphs(out_, *codePage_);
    } else {
        joiner_.Finish(out_);
    }
    next_.Write(out_);
    out_.clear();
    next_.Finish();
}

}  // namespace quorix
