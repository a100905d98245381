// int_conversion_test.cpp - the typed-number rule shared by part size and screen width.
#include "book/int_conversion.h"

#include <gtest/gtest.h>

#include "book/book_error.h"

namespace quorix {
namespace {

struct Accepted {
    const char* text;
    std::int32_t value;
};

TEST(IntConversion, AcceptsDecimalAndHexadecimalForms) {
    const Accepted cases[] = {
        {"90000", 90000},
        {"  12", 12},
        {"+7", 7},
        {"-5", -5},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$80", 128},
        {"$FFFFFFFF", -1},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0XaB", 171},
        {"007", 7},
        {"$0", 0},
    };
    for (const Accepted& c : cases) {
        auto value = TryStrToInt(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(*value, c.value) << c.text;
    }
}

TEST(IntConversion, RefusesEverythingElse) {
    const char* refused[] = {"",           "   ",        "12 ",
                             "abc",        "$",          "0x",
                             "x",          "-$10",       "+0x1",
                             "1e3",        "12a",        "- 5",
                             "--5",        "2147483648", "-2147483649",
                             "$100000000", "1.5",        "\t12",
                             "+",          "0x1 ",       "99999999999999999999"};
    for (const char* text : refused) EXPECT_FALSE(TryStrToInt(text).has_value()) << text;
}

TEST(IntConversion, FailureCarriesTheRuntimeMessage) {
    try {
        StrToInt("abc");
        FAIL() << "no exception";
    } catch (const TBookError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

}  // namespace
}  // namespace quorix
