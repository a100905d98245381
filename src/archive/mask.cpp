// mask.cpp - mask compilation and matching with a single resume point per star.
#include "archive/mask.h"

#include "archive/zw_exception.h"

namespace quorix {

namespace {

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

TMask::TMask(std::string_view mask) {
    bool star = false;
    std::size_t stars = 0;
    auto add = [&](Kind kind, char c, std::size_t position) {
        if (star && ++stars > kMaxStars) {
            throw EMaskError(
                FormatZWText(kMsgInvalidMask, {std::string(mask), std::to_string(position)}));
        }
        elements_.push_back({kind, c, star});
        star = false;
    };
    for (std::size_t i = 0; i < mask.size(); ++i) {
        char c = mask[i];
        if (c == '*') {
            star = true;
        } else if (c == '?') {
            // After a star, "?" adds nothing: "*?" means the same as "*".
            if (!star) {
                add(Kind::anyChar, 0, i + 1);
            }
        } else {
            add(Kind::literal, UpperAscii(c), i + 1);
        }
    }
    add(Kind::endOfText, 0, mask.size() + 1);
}

bool TMask::MatchesAt(const Element& e, std::string_view text, std::size_t at) const {
    switch (e.kind) {
        case Kind::endOfText:
            return at == text.size();
        case Kind::anyChar:
            return at < text.size();
        case Kind::literal:
            return at < text.size() && UpperAscii(text[at]) == e.upper;
    }
    return false;
}

bool TMask::Matches(std::string_view text) const {
    std::size_t ti = 0;
    std::size_t ei = 0;
    bool haveResume = false;
    std::size_t resumeElement = 0;
    std::size_t resumeText = 0;
    for (;;) {
        const Element& e = elements_[ei];
        if (e.star) {
            // A star element first skips text until the element matches; the latest
            // such point is where a later mismatch resumes, one character further on.
            while (!MatchesAt(e, text, ti)) {
                if (ti >= text.size()) {
                    return false;
                }
                ++ti;
            }
            haveResume = true;
            resumeElement = ei;
            resumeText = ti;
        } else if (!MatchesAt(e, text, ti)) {
            if (!haveResume || resumeText >= text.size()) {
                return false;
            }
            ei = resumeElement;
            ti = ++resumeText;
            continue;
        }
        if (e.kind == Kind::endOfText) {
            return true;
        }
        ++ti;
        ++ei;
    }
}

bool MatchesMask(std::string_view text, std::string_view mask) {
    return TMask(mask).Matches(text);
}

}  // namespace quorix
