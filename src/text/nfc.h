// nfc.h - canonical composition and the characters that show nothing, by ICU's tables.
#pragma once

#include <string>
#include <string_view>

namespace quorix {

// Whether `c` shows nothing of its own on the phone: format characters (the soft hyphen,
// zero-width spaces and joiners, U+FEFF), combining and enclosing marks, variation selectors.
bool IsInvisible(char32_t c);

// Whether NFC may change `c` or join it to the character before it.
bool TakesPartInComposition(char32_t c);

// Whether `c` starts a new composition: what comes before it never combines with it.
bool StartsComposition(char32_t c);

// `chars` composed by NFC.
std::u32string ComposedNfc(std::u32string_view chars);

// UTF-8 text composed by NFC; an invalid sequence gives U+FFFD.
std::string ComposedNfcUtf8(std::string_view utf8);

}  // namespace quorix
