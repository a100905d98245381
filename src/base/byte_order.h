// byte_order.h - big-endian integers of book.dat, help.dat and font.dat.
#pragma once

#include <cstdint>
#include <string>

namespace quorix {

inline void putU8(std::string& out, std::uint8_t v) {
    out.push_back(static_cast<char>(v));
}

inline void putU16BE(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
}

inline void putU32BE(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v >> 24));
    out.push_back(static_cast<char>((v >> 16) & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

}  // namespace quorix
