// page_files.h - a range of preview pages written as PNG files, side by side on threads.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "preview/book_preview.h"

namespace quorix::preview {

// Writes pages `first` to `last` (numbered from 1) into `dir`, page n as `name(n)`, each
// through WritePng. `workers` threads share them (0: one per available processor). The first
// failure stops the pages not yet begun and is raised; files already written stay.
void WritePageFiles(const TBookPreview& pages, int first, int last,
                    const std::filesystem::path& dir, const std::function<std::string(int)>& name,
                    unsigned workers = 0);

}  // namespace quorix::preview
