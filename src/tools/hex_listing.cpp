// hex_listing.cpp - the Hex command: any file as a byte-array declaration.
#include "tools/hex_listing.h"

#include <array>

#include "tools/tool_files.h"

namespace quorix {

std::string THexListing::Header(std::uint64_t size) {
    return "  array [1.." + std::to_string(size) + "] of byte = (";
}

std::string THexListing::Line(std::string_view block) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = "  ";
    line.reserve(2 + block.size() * 4 + 2);
    for (const char c : block) {
        const auto byte = static_cast<unsigned char>(c);
        if (!first_) {
            line += ',';
        }
        first_ = false;
        line += '$';
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    line += "\r\n";
    return line;
}

std::string THexListing::Trailer() {
    return ");\r\n";
}

std::string HexListing(std::string_view bytes) {
    THexListing listing;
    std::string text = THexListing::Header(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); at += kHexBytesPerLine) {
        text += listing.Line(bytes.substr(at, kHexBytesPerLine));
    }
    text += THexListing::Trailer();
    return text;
}

void WriteHexListing(const std::filesystem::path& input) {
    TToolFile source = TToolFile::OpenForReading(input);
    const std::uint64_t size = source.Size();
    TToolFile output = TToolFile::CreateBeside(input, ".imp");

    output.Write(THexListing::Header(size));
    THexListing listing;
    std::array<char, kHexBytesPerLine> block{};
    while (const std::size_t got = source.Read(block.data(), block.size())) {
        output.Write(listing.Line(std::string_view(block.data(), got)));
    }
    output.Write(THexListing::Trailer());
    output.Close();
}

}  // namespace quorix
