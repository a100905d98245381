// part_files.h - the names of the files one part is made of, in its temporary tree and its JAR.
#pragma once

#include <string_view>

namespace quorix {

inline constexpr std::string_view kBookDatName = "book.dat";  // the part's text
inline constexpr std::string_view kHelpDatName = "help.dat";  // the filled help page
inline constexpr std::string_view kFontDatName = "font.dat";  // the part's bitmap font
inline constexpr std::string_view kMainClassFile = "TBookMIDlet.class";  // the midlet
inline constexpr std::string_view kCanvasClassFile = "TBookCanvas.class";  // the chosen canvas
inline constexpr std::string_view kMetaDirName = "META-INF";  // the manifest's directory
inline constexpr std::string_view kManifestName = "MANIFEST.MF";  // the manifest, in kMetaDirName

}  // namespace quorix
