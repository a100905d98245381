// font_lookup.h - from a face name and style to the font file that draws it.
#pragma once

#include <string>
#include <string_view>

namespace quorix {

inline constexpr std::string_view kMsgFontFileNotFound = "Font file not found: ";
inline constexpr std::string_view kMsgNoFontFor = "No font found for ";

// The window's default face, a Windows bitmap font no Linux system carries, and
// the face that stands in for it everywhere, so every machine draws the same glyphs.
inline constexpr std::string_view kDefaultWindowsFace = "MS Sans Serif";
inline constexpr std::string_view kDefaultFaceSubstitute = "DejaVu Sans";

struct TFontFile {
    std::string path;
    int index = 0;  // face within a collection file
};

// The family fontconfig is asked for: "MS Sans Serif" (in any letter case)
// becomes DejaVu Sans, every other face stays as it is.
std::string_view FamilyForFace(std::string_view face);

// A face holding "/", or naming an existing file, is a font file path, taken
// as it is. Any other face is a family name (after FamilyForFace) that
// fontconfig resolves with the requested weight and slant, substituting as it
// does for every program on the system. Raises TBookError when the file is
// missing or nothing matches.
TFontFile LocateFont(const std::string& face, bool bold, bool italic);

}  // namespace quorix
