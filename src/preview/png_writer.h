// png_writer.h - palette PNG output of page images.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "preview/page_image.h"

namespace quorix::preview {

// The image as a palette PNG holding only the colours it uses the palette for (white, black,
// green, red, and grey when it is a contact sheet).
std::vector<std::uint8_t> EncodePng(const TPageImage& image);

// Writes the PNG to a new file beside `path` and renames it over `path`, so that a reader of
// the directory never sees half an image. Failures raise TPreviewError naming the path.
void WritePng(const TPageImage& image, const std::filesystem::path& path);

}  // namespace quorix::preview
