// mask_test.cpp - wildcard masks: stars, "?", case and the star limit.
#include "archive/mask.h"

#include <gtest/gtest.h>

namespace quorix {
namespace {

struct MaskCase {
    const char* mask;
    const char* text;
    bool matches;
};

TEST(MaskTest, MatchesLikeWildcards) {
    const MaskCase cases[] = {
        {"*.*", "book.dat", true},
        {"*.*", "README", false},  // listing semantics add the dot, TMask does not
        {"*", "", true},
        {"*", "anything.at.all", true},
        {"?", "", false},
        {"?", "a", true},
        {"?", "ab", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*?", "", true},  // "*?" is the same as "*"
        {"*?", "x", true},
        {"*.CLASS", "TBookMIDlet.class", true},  // ASCII letters compare without case
        {"meta-inf", "META-INF", true},
        {"\xc0", "\xe0", false},  // only a to z change case
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"*ab", "aab", true},  // a failed try resumes one character further on
        {"*aab", "aaab", true},
        {"*a*a", "ba", false},
        {"/tmp/x/*.*", "/tmp/x/font.dat", true},
        {"/tmp/x/*.*", "/tmp/x/sub/font.dat", true},  // a star crosses separators
        {"[ab]", "a", false},                         // brackets are plain characters
        {"[ab]", "[AB]", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TMask(c.mask).Matches(c.text), c.matches) << c.mask << " / " << c.text;
        EXPECT_EQ(MatchesMask(c.text, c.mask), c.matches) << c.mask << " / " << c.text;
    }
}

TEST(MaskTest, ThirtyStarsCompileAndTheThirtyFirstIsRefused) {
    std::string thirty;
    for (int i = 0; i < 30; ++i) thirty += "*a";
    EXPECT_TRUE(TMask(thirty).Matches(std::string(30, 'a')));
    EXPECT_FALSE(TMask(thirty).Matches(std::string(29, 'a')));

    const std::string tooMany = thirty + "*b";
    try {
        TMask mask(tooMany);
        FAIL() << "31 stars accepted";
    } catch (const EMaskError& e) {
        EXPECT_STREQ(e.what(), ("'" + tooMany + "' is an invalid mask at (62)").c_str());
    }
    // A trailing star belongs to the end element, which counts as well.
    const std::string trailing = thirty + "*";
    try {
        TMask mask(trailing);
        FAIL() << "31 stars accepted";
    } catch (const EMaskError& e) {
        EXPECT_STREQ(e.what(), ("'" + trailing + "' is an invalid mask at (62)").c_str());
    }
}

}  // namespace
}  // namespace quorix
