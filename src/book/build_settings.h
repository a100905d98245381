// build_settings.h - the inputs of one build, as the front ends gather them.
#pragma once

#include <cstdint>
#include <string>

namespace quorix {

// Which canvas class of the reader goes into the JAR.
enum class PhoneType : int {
    Any = 0,    // "All phones (standart screen size)": standard canvas
    Nokia = 1,  // "Only Nokia phones (full screen)": full-screen canvas
};

// 1 selects the English help template; every other value the Russian one.
using HelpLanguage = int;
inline constexpr HelpLanguage kHelpRussian = 0;
inline constexpr HelpLanguage kHelpEnglish = 1;

// The display font of a build. The height follows the Windows convention:
// negative = character height without internal leading (the em size),
// positive = cell height (ascent plus descent).
struct TFontDesc {
    std::string face = "MS Sans Serif";  // family name for fontconfig, or a font file path
    int height = -11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    std::string codePage = "CP1251";  // byte j of the book is character j of this code page
    std::uint32_t color = 0x000000;   // 0xRRGGBB; every covered pixel is ink whatever the colour
};

// Text fields hold UTF-8 as the front ends receive it; the builder converts
// what reaches the phone to the font's code page.
struct TBuildSettings {
    std::string bookName = "ReadMe";
    std::string infoText = "\xC2\xA9 Kelvatrone, 2003-2004";  // "(c) Kelvatrone, 2003-2004" in UTF-8
    std::string sourcePath = "readme.txt";
    TFontDesc font;
    std::string partSizeText = "90000";
    PhoneType phoneType = PhoneType::Nokia;
    HelpLanguage helpLanguage = kHelpRussian;
    // Largest JAR a phone takes, in bytes or with a K suffix; empty for no limit.
    std::string maxJarSizeText;
};

}  // namespace quorix
