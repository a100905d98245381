// hex_listing.h - a file's bytes as the body of a one-based byte-array declaration.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorix {

// Input bytes per data line of the listing.
inline constexpr std::size_t kHexBytesPerLine = 20;

// Builds the listing piece by piece, so a file can be streamed through it one
// block of kHexBytesPerLine bytes at a time.
class THexListing {
  public:
    // "  array [1..N] of byte = (" without a line break: the first data line continues it.
    static std::string Header(std::uint64_t size);
    // "  " + items + CR LF; every item but the very first of the listing gets a leading ",".
    std::string Line(std::string_view block);
    // ");" + CR LF
    static std::string Trailer();

  private:
    bool first_ = true;
};

// The whole listing of bytes, header to trailer.
std::string HexListing(std::string_view bytes);

// Writes the listing of `input` to input + ".imp", replacing that file when it exists.
// Raises std::runtime_error naming the file when reading or writing fails.
void WriteHexListing(const std::filesystem::path& input);

}  // namespace quorix
