// nfc.cpp - thin wrappers over ICU's normalizer and character properties.
#include "text/nfc.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "text/text_error.h"

namespace quorix {
namespace {

const icu::Normalizer2& Nfc() {
    static const icu::Normalizer2* nfc = [] {
        UErrorCode error = U_ZERO_ERROR;
        const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(error);
        if (U_FAILURE(error)) throw TTextError("Unicode normalization data cannot be loaded");
        return n;
    }();
    return *nfc;
}

}  // namespace

bool IsInvisible(char32_t c) {
    const auto type = static_cast<UCharCategory>(u_charType(static_cast<UChar32>(c)));
    return type == U_FORMAT_CHAR || type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK;
}

bool TakesPartInComposition(char32_t c) {
    const auto u = static_cast<UChar32>(c);
    return !Nfc().hasBoundaryBefore(u) ||
           u_getIntPropertyValue(u, UCHAR_NFC_QUICK_CHECK) != UNORM_YES;
}

bool StartsComposition(char32_t c) {
    return Nfc().hasBoundaryBefore(static_cast<UChar32>(c));
}

std::u32string ComposedNfc(std::u32string_view chars) {
    icu::UnicodeString text;
    for (char32_t c : chars) text.append(static_cast<UChar32>(c));
    UErrorCode error = U_ZERO_ERROR;
    const icu::UnicodeString composed = Nfc().normalize(text, error);
    if (U_FAILURE(error)) return std::u32string(chars);
    std::u32string out;
    for (int32_t i = 0; i < composed.length();) {
        const UChar32 c = composed.char32At(i);
        out.push_back(static_cast<char32_t>(c));
        i += U16_LENGTH(c);
    }
    return out;
}

std::string ComposedNfcUtf8(std::string_view utf8) {
    std::string out;
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode error = U_ZERO_ERROR;
    Nfc().normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink,
                        nullptr, error);
    if (U_FAILURE(error)) return std::string(utf8);
    return out;
}

}  // namespace quorix
