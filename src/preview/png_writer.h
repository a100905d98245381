// png_writer.h - palette PNG output of page images.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "preview/page_image.h"

struct libdeflate_compressor;

namespace quorix::preview {

// Encodes page images one after another, keeping its compressor and buffers between them.
// One per thread.
class TPngEncoder {
  public:
    TPngEncoder();
    ~TPngEncoder();
    TPngEncoder(const TPngEncoder&) = delete;
    TPngEncoder& operator=(const TPngEncoder&) = delete;

    // The image as a palette PNG holding only the colours it uses the palette for (white,
    // black, green, red, and grey when it is a contact sheet).
    std::vector<std::uint8_t> Encode(const TPageImage& image);
    // Writes the PNG to a new file beside `path` and renames it over `path`, so that a reader
    // of the directory never sees half an image. Failures raise TPreviewError naming the path.
    void Write(const TPageImage& image, const std::filesystem::path& path);

  private:
    struct Free {
        void operator()(libdeflate_compressor* compressor) const;
    };
    std::unique_ptr<libdeflate_compressor, Free> compressor_;
    std::vector<std::uint8_t> rows_;  // filtered rows of the image being encoded
    std::vector<std::uint8_t> idat_;  // and their zlib stream
};

// One image, by an encoder of its own.
std::vector<std::uint8_t> EncodePng(const TPageImage& image);
void WritePng(const TPageImage& image, const std::filesystem::path& path);

}  // namespace quorix::preview
