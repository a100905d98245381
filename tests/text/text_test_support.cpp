// text_test_support.cpp - fixtures and reference conversions for the text tests.
#include "text_test_support.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace quorix::test {

std::filesystem::path Fixture(std::string_view name) {
    return std::filesystem::path(QUORIX_SOURCE_DIR) / "tests" / "text" / "data" / name;
}

std::string Cp1251(std::string_view utf8) {
    iconv_t cd = iconv_open("CP1251", "UTF-8");
    std::string in(utf8);
    std::string out(in.size(), '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(rc, static_cast<std::size_t>(-1)) << "reference not in CP1251: " << utf8;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace quorix::test
