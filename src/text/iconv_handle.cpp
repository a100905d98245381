// iconv_handle.cpp - opening, closing and one byte's character.
#include "text/iconv_handle.h"

#include <utility>

#include "text/text_error.h"

namespace quorix {

TIconv TIconv::TryOpen(const std::string& to, const std::string& from) {
    return TIconv(iconv_open(to.c_str(), from.c_str()));
}

TIconv TIconv::Open(const std::string& to, const std::string& from, const std::string& codePage) {
    TIconv cd = TryOpen(to, from);
    if (!cd) throw TTextError("Unknown code page " + codePage);
    return cd;
}

TIconv::~TIconv() {
    if (cd_ != None()) iconv_close(cd_);
}

TIconv::TIconv(TIconv&& other) noexcept : cd_(std::exchange(other.cd_, None())) {}

TIconv& TIconv::operator=(TIconv&& other) noexcept {
    if (this != &other) {
        if (cd_ != None()) iconv_close(cd_);
        cd_ = std::exchange(other.cd_, None());
    }
    return *this;
}

std::optional<char32_t> TIconv::CharOfByte(unsigned char byte) {
    char in = static_cast<char>(byte);
    char* inPtr = &in;
    std::size_t inLeft = 1;
    unsigned char out[8];
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    Reset();
    if (Convert(inPtr, inLeft, outPtr, outLeft) == static_cast<std::size_t>(-1)) return {};
    Flush(outPtr, outLeft);
    if (outLeft != sizeof out - 4) return {};
    const char32_t c = out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
    if (c > 0x10FFFF) return {};
    return c;
}

}  // namespace quorix
