// work_place.h - where the window's books go; a build's temporary files go to a private directory.
#pragma once

#include <filesystem>

#include "book/private_directory.h"

namespace quorix {

// The folder made in the documents folder when the program's own is not writable.
inline constexpr const char* kDocumentsSubfolder = "Quorix Maker";

// The directory in which "midlets" is made: the program's directory when this user may
// write there (a portable copy), otherwise documentsDir/"Quorix Maker" (an installed one).
std::filesystem::path MidletsParentFor(const std::filesystem::path& programDir,
                                       const std::filesystem::path& documentsDir);

}  // namespace quorix
