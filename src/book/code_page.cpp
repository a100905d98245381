// code_page.cpp - iconv conversions between UTF-8 and single-byte code pages.
#include "book/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>

#include "book/book_error.h"

namespace quorix {
namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

IconvHandle OpenIconv(const std::string& to, const std::string& from) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw TBookError("Unknown code page " + (to == "UTF-8" ? from : to));
    }
    return IconvHandle(cd);
}

// Converts one piece of input; returns false when the input holds a sequence
// the target cannot take (input left at that sequence).
bool ConvertSome(iconv_t cd, const char*& in, std::size_t& inLeft, std::string& out) {
    char buffer[256];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = iconv(cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return rc != static_cast<std::size_t>(-1) || errno == E2BIG;
}

// Length of the UTF-8 sequence starting at `lead`, 1 for a stray byte.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

}  // namespace

void CheckCodePage(const std::string& codePage) {
    OpenIconv("UTF-8", codePage);
}

void CheckSingleByteCodePage(const std::string& codePage) {
    IconvHandle cd = OpenIconv("UTF-32LE", codePage);
    for (int b = 0; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char* inPtr = in;
        std::size_t inLeft = 1;
        char32_t out[2] = {};
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        std::size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        // Code pages with combining accents hold a letter back until the input ends.
        if (rc != static_cast<std::size_t>(-1))
            iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
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
    IconvHandle cd = OpenIconv(to, from);
    std::string out;
    for (char c : bytes) {
        const char* in = &c;
        std::size_t inLeft = 1;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        if (!ConvertSome(cd.get(), in, inLeft, out) || inLeft != 0) out += replacement;
    }
    return out;
}

std::string Utf8ToCodePage(std::string_view utf8, const std::string& codePage) {
    IconvHandle cd = OpenIconv(codePage, "UTF-8");
    const char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    std::string out;
    while (inLeft > 0) {
        if (!ConvertSome(cd.get(), in, inLeft, out)) {
            std::size_t n = std::min(Utf8Length(static_cast<unsigned char>(*in)), inLeft);
            throw TBookError("The character \"" + std::string(in, n) + "\" is not in code page " +
                             codePage);
        }
    }
    return out;
}

std::string CodePageToUtf8(std::string_view bytes, const std::string& codePage) {
    IconvHandle cd = OpenIconv("UTF-8", codePage);
    std::string out;
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        if (!ConvertSome(cd.get(), in, inLeft, out)) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte the code page leaves undefined
            ++in;
            --inLeft;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::optional<char32_t> CodePageChar(unsigned char byte, const std::string& codePage) {
    IconvHandle cd = OpenIconv("UTF-32LE", codePage);
    char in[1] = {static_cast<char>(byte)};
    char* inPtr = in;
    std::size_t inLeft = 1;
    unsigned char out[8];
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    // Code pages with combining accents hold a letter back until the input ends.
    iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
    if (outLeft != 4) return std::nullopt;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
}

}  // namespace quorix
