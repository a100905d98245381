// code_page.cpp - iconv conversions between UTF-8 and single-byte code pages.
#include "book/code_page.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

#include "book/book_error.h"
#include "text/code_page_encoder.h"
#include "text/iconv_handle.h"

namespace quorix {
namespace {

// Converts one piece of input; returns false when the input holds a sequence
// the target cannot take (input left at that sequence).
bool ConvertSome(TIconv& cd, const char*& in, std::size_t& inLeft, std::string& out) {
    char buffer[256];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = cd.Convert(const_cast<char*&>(in), inLeft, outPtr, outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return rc != static_cast<std::size_t>(-1) || errno == E2BIG;
}

}  // namespace

void CheckCodePage(const std::string& codePage) {
    TIconv::Open("UTF-8", codePage, codePage);
}

void CheckSingleByteCodePage(const std::string& codePage) {
    TIconv cd = TIconv::Open("UTF-32LE", codePage, codePage);
    for (int b = 0; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char* inPtr = in;
        std::size_t inLeft = 1;
        char32_t out[2] = {};
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        cd.Reset();
        std::size_t rc = cd.Convert(inPtr, inLeft, outPtr, outLeft);
        // Code pages with combining accents hold a letter back until the input ends.
        if (rc != static_cast<std::size_t>(-1)) cd.Flush(outPtr, outLeft);
        // A byte that waits for more input starts a multi-byte sequence (or a shift).
        bool incomplete = rc == static_cast<std::size_t>(-1) && errno == EINVAL;
        bool ascii = b < 32 || b > 126 ||
                     (rc != static_cast<std::size_t>(-1) && outLeft == sizeof out - 4 &&
                      out[0] == static_cast<char32_t>(b));
        if (incomplete || !ascii) {
            throw TBookError("Code page \"" + codePage + std::string(kMsgNotSingleByte));
        }
    }
}

std::string ConvertCodePage(std::string_view bytes, const std::string& from, const std::string& to,
                            char replacement) {
    TIconv cd = TIconv::Open(to, from, to == "UTF-8" ? from : to);
    std::string out;
    for (char c : bytes) {
        const char* in = &c;
        std::size_t inLeft = 1;
        cd.Reset();
        if (!ConvertSome(cd, in, inLeft, out) || inLeft != 0) out += replacement;
    }
    return out;
}

std::string Utf8ToCodePage(std::string_view utf8, const std::string& codePage) {
    TIconv cd = TIconv::Open(codePage, "UTF-8", codePage);
    const char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    std::string out;
    while (inLeft > 0) {
        if (!ConvertSome(cd, in, inLeft, out)) {
            const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(*in));
            std::size_t n = std::min(std::max<std::size_t>(length, 1), inLeft);
            throw TBookError("The character \"" + std::string(in, n) + "\" is not in code page " +
                             codePage);
        }
    }
    return out;
}

std::string CodePageToUtf8(std::string_view bytes, const std::string& codePage) {
    TIconv cd = TIconv::Open("UTF-8", codePage, codePage);
    std::string out;
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        if (!ConvertSome(cd, in, inLeft, out)) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte the code page leaves undefined
            ++in;
            --inLeft;
            cd.Reset();
        }
    }
    return out;
}

std::optional<char32_t> CodePageChar(unsigned char byte, const std::string& codePage) {
    return TIconv::Open("UTF-32LE", codePage, codePage).CharOfByte(byte);
}

}  // namespace quorix
