// code_page.h - conversions between UTF-8 and the build's single-byte code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorix {

// Converts UTF-8 text to the code page; a character the code page lacks raises
// TBookError naming the character and the code page.
std::string Utf8ToCodePage(std::string_view utf8, const std::string& codePage);

// Converts code-page bytes to UTF-8; undefined bytes become U+FFFD.
std::string CodePageToUtf8(std::string_view bytes, const std::string& codePage);

// The Unicode character of one byte of the code page, or nullopt when the code
// page leaves the byte undefined.
std::optional<char32_t> CodePageChar(unsigned char byte, const std::string& codePage);

// Raises TTextError "Unknown code page <name>" when iconv does not know it.
void CheckCodePage(const std::string& codePage);

inline constexpr std::string_view kMsgNotSingleByte =
    "\" is not a single-byte code page that keeps ASCII";

// Raises TBookError `Code page "<name>" is not a single-byte code page that keeps ASCII`
// unless every byte stands alone (no byte starts a longer sequence) and bytes 32 to 126
// are those ASCII characters; an unknown code page raises as CheckCodePage does.
void CheckSingleByteCodePage(const std::string& codePage);

// Converts single-byte text from one code page into another; a character the target
// lacks becomes `replacement`.
std::string ConvertCodePage(std::string_view bytes, const std::string& from, const std::string& to,
                            char replacement);

}  // namespace quorix
