// book_files.h - the reader's data files and canvas of a built book, from its JAR or temp tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "preview/page_renderer.h"

namespace quorix::preview {

inline constexpr std::string_view kMsgCannotOpenBook = "Can not open book ";
inline constexpr std::string_view kMsgBookLacks = " has no ";

class TPreviewError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TBookFiles {
    std::vector<std::uint8_t> font;  // font.dat
    std::vector<std::uint8_t> book;  // book.dat
    std::vector<std::uint8_t> help;  // help.dat
    TCanvasKind canvas = TCanvasKind::Standard;
};

// Reads font.dat, book.dat, help.dat and TBookCanvas.class from a JAR or from a directory that
// holds them (a build's kept temporary files). A missing file or an unreadable archive raises
// TPreviewError naming the path.
TBookFiles ReadBookFiles(const std::filesystem::path& jarOrDirectory);

// The canvas a TBookCanvas class file extends: the full-screen one names Nokia's FullCanvas.
TCanvasKind CanvasOfClass(const std::vector<std::uint8_t>& classFile);

}  // namespace quorix::preview
