// mask.h - compiled wildcard masks ("*" and "?") matched without regard to ASCII case.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quorix {

inline constexpr std::string_view kMsgInvalidMask = "'%s' is an invalid mask at (%d)";

// A mask with more star-prefixed elements than TMask keeps.
class EMaskError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TMask {
  public:
    static constexpr std::size_t kMaxStars = 30;

    // Compiles `mask`; raises EMaskError at the 31st star-prefixed element, giving the
    // 1-based position of the character being compiled (one past the end for the end).
    explicit TMask(std::string_view mask);

    bool Matches(std::string_view text) const;

  private:
    enum class Kind { literal, anyChar, endOfText };
    struct Element {
        Kind kind;
        char upper;  // the literal's upper-case form
        bool star;   // any run of characters may come first
    };

    bool MatchesAt(const Element& e, std::string_view text, std::size_t at) const;

    std::vector<Element> elements_;
};

// Compiles `mask`, matches `text` against it once and discards it.
bool MatchesMask(std::string_view text, std::string_view mask);

}  // namespace quorix
