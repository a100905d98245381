// little_endian.h - little-endian integer writers and readers for ZIP records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorix {

inline void putU16LE(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

inline void putU32LE(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
    out.push_back(static_cast<char>((v >> 16) & 0xFF));
    out.push_back(static_cast<char>(v >> 24));
}

inline std::uint16_t getU16LE(std::string_view in, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(in[at]) |
                                      static_cast<unsigned char>(in[at + 1]) << 8);
}

inline std::uint32_t getU32LE(std::string_view in, std::size_t at) {
    return static_cast<std::uint32_t>(getU16LE(in, at)) |
           static_cast<std::uint32_t>(getU16LE(in, at + 2)) << 16;
}

}  // namespace quorix
