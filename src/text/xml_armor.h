// xml_armor.h - non-ASCII text of a UTF-8 XML document carried through the parser as ASCII.
//
// libxml2 reads ASCII character data many times faster than any other: each non-ASCII
// character takes its slow path, one character at a time. A UTF-8 document is therefore
// handed to it "armored": every non-ASCII character of its character data, attribute
// values and CDATA sections is written as DEL (0x7F, a valid XML 1.0 character) and a few
// letters, digits or signs. A character the build's code page has is written as its byte
// there, so that a Russian book's letters take two bytes as in UTF-8 and are decoded by
// adding:
//   DEL s         byte 0xC0 + s of the code page (s a symbol's value, 0 to 63)
//   DEL "!" s     byte 0x80 + s of the code page
//   DEL "#"       DEL itself (of the document, or a reference to it)
//   DEL "$" s...  any other character: two symbols hold 11 bits, three 16 and four 21; the
//                 first one's value tells how many (2 to 31, 32 to 47, 48 to 52)
// Markup, comments and processing instructions are left as they are. What the parser
// reports is then armored UTF-8: UTF-8 in which DEL starts such an escape.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "text/byte_reader.h"

namespace quorix {

class TCodePageEncoder;

constexpr unsigned char kArmorMark = 0x7F;
// The 64 symbols: none is markup, whitespace or a character that ends a CDATA section.
constexpr std::string_view kArmorSymbols =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
constexpr char kArmorLowHalf = '!';  // then a byte 0x80 + s
constexpr char kArmorDel = '#';
constexpr char kArmorOther = '$';  // then a character by its bits

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

// One escape, read at DEL.
struct TArmorUnit {
    std::size_t length = 0;  // 0: damaged, the DEL stands for itself
    int byte = -1;           // the code page's byte, or -1 and then...
    char32_t c = 0;          // ...the character
};

// The escape at `s` (DEL and what follows, `available` bytes in all). `cut` tells that the
// bytes end before the escape does.
TArmorUnit ReadArmor(const unsigned char* s, std::size_t available, bool& cut);

// Appends the escape of DEL or of a character from U+0080 up by its bits.
void AppendArmor(char32_t c, std::string& out);

// Armored UTF-8 as plain UTF-8, bytes of `codePage` (null: none were used) by the characters
// they stand for; the DEL of a damaged or cut escape stays DEL.
std::string DisarmedUtf8(std::string_view armored, const TCodePageEncoder* codePage);

// Plain UTF-8 as armored UTF-8: only DEL changes.
void AppendArmored(std::string_view utf8, std::string& out);

// An XML document from `in`, as the parser is to be given it.
struct TXmlInput {
    std::unique_ptr<TByteReader> reader;
    bool armored = false;  // reports are armored UTF-8; else plain UTF-8
};

// Armors the document for `codePage` (null: not at all) when it is UTF-8 XML 1.0 whose root
// element starts within its first 64 KiB, with no document type declaration before it (one
// could declare entities, and names, which are never armored, must stay apart from text).
// The encoder is only read, and may be used on another thread meanwhile.
TXmlInput OpenXmlInput(TByteReader& in, const TCodePageEncoder* codePage);

}  // namespace quorix
