// xml_armor.h - non-ASCII text of a UTF-8 XML document carried through the parser as ASCII.
//
// libxml2 reads ASCII character data many times faster than any other: each non-ASCII
// character takes its slow path, one character at a time. A UTF-8 document is therefore
// handed to it "armored": every non-ASCII character of its character data, attribute
// values and CDATA sections is written as DEL (0x7F, a valid XML 1.0 character) followed
// by two to four letters or digits, and a DEL of the document (or a reference to one) as
// DEL "_". Markup, comments and processing instructions are left as they are. What the
// parser reports is then armored UTF-8: UTF-8 in which DEL starts such an escape.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "text/byte_reader.h"

namespace quorix {

constexpr unsigned char kArmorMark = 0x7F;
// The 64 symbols after DEL: none is markup, whitespace or a character that ends a CDATA
// section or a comment.
constexpr std::string_view kArmorSymbols =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

namespace armor_detail {
constexpr std::array<signed char, 256> SymbolValues() {
    std::array<signed char, 256> values{};
    for (auto& v : values) v = -1;
    for (std::size_t i = 0; i < kArmorSymbols.size(); ++i) {
        values[static_cast<unsigned char>(kArmorSymbols[i])] = static_cast<signed char>(i);
    }
    return values;
}
inline constexpr std::array<signed char, 256> kSymbolValue = SymbolValues();
}  // namespace armor_detail

// The value of a symbol, -1 for a byte that is none.
inline int ArmorSymbolValue(unsigned char c) {
    return armor_detail::kSymbolValue[c];
}

// The length of the escape made of DEL and then `first` and more; 0 when `first` starts
// none. The first symbol tells it: from 2 to 31 two symbols hold 11 bits, to 47 three hold
// 16, to 52 four hold 21; 63 stands for DEL itself.
inline std::size_t ArmorLength(unsigned char first) {
    const int v = ArmorSymbolValue(first);
    if (v < 2) return 0;  // not a symbol, or a character below U+0080
    if (v < 32) return 3;
    if (v < 48) return 4;
    if (v < 53) return 5;
    return v == 63 ? 2 : 0;
}

// The character the escape of ArmorLength bytes at `s` stands for.
inline char32_t DecodeArmor(const unsigned char* s, std::size_t length) {
    const auto v = [s](std::size_t i) {
        return static_cast<char32_t>(ArmorSymbolValue(s[i]) & 63);
    };
    switch (length) {
        case 2:
            return kArmorMark;
        case 3:
            return v(1) << 6 | v(2);
        case 4:
            return (v(1) - 32) << 12 | v(2) << 6 | v(3);
        default:
            return (v(1) - 48) << 18 | v(2) << 12 | v(3) << 6 | v(4);
    }
}

// Appends the escape of DEL or of a character from U+0080 up.
void AppendArmor(char32_t c, std::string& out);

// Armored UTF-8 as plain UTF-8; the DEL of a damaged or cut escape stays DEL.
std::string DisarmedUtf8(std::string_view armored);

// Plain UTF-8 as armored UTF-8: only DEL changes.
void AppendArmored(std::string_view utf8, std::string& out);

// An XML document from `in`, as the parser is to be given it.
struct TXmlInput {
    std::unique_ptr<TByteReader> reader;
    bool armored = false;  // reports are armored UTF-8; else plain UTF-8
};

// Armors the document when `armor` is set and it is UTF-8 XML 1.0 whose root element starts
// within its first 64 KiB, with no document type declaration before it (one could declare
// entities, and names, which are never armored, must stay apart from text).
TXmlInput OpenXmlInput(TByteReader& in, bool armor = true);

}  // namespace quorix
