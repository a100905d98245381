// text_test_support.h - fixtures and reference conversions for the text tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorix::test {

// A committed fixture under tests/text/data.
std::filesystem::path Fixture(std::string_view name);

// UTF-8 text in CP1251, by iconv itself; every character must be in the code page.
std::string Cp1251(std::string_view utf8);

}  // namespace quorix::test
