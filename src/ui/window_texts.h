// window_texts.h - the main window's composed texts: title, error display, About,
// char height, and the conversion between Qt fonts and the build's font.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

#include "book/build_settings.h"

namespace quorix {

// The program's title: the executable's file name up to its first ".", every
// character after the first in lower case.
QString ProgramTitle(const QString& executablePath);

// An error's text as the standard error display shows it: a "." is added when the
// last character's code lies above that of ".".
QString ErrorDisplayText(const QString& message);

// The About message: four lines joined by CR LF, none after the last.
QString AboutText(const QString& version);

// "Char height (in pixels): " + (|height| + 2): the cell height the bitmap font gets.
QString CharHeightCaption(int fontHeight);

// The caption of the window, and of it while part k of N is being built.
inline constexpr const char* kWindowTitle = "Quorix Maker 2.0";
QString BuildingTitle(std::uint64_t part, std::uint64_t parts);

// Asked when the window is closed while a build runs.
inline constexpr const char* kStopBuildQuestion =
    "A book is being built. Stop the build and close the window?";

// A font as the build takes it. Pixel sizes become negative em heights; point sizes
// are converted at `dotsPerInch` first, rounding to the nearest pixel.
TFontDesc FontDescFromQFont(const QFont& font, int dotsPerInch);

// The Qt font that shows a build font on screen, by its face name.
QFont QFontFromFontDesc(const TFontDesc& desc);

// A build font as the screen shows it, drawn from the very file the build uses.
struct TScreenFont {
    QFont font;
    QString file;  // the font file the face resolved to; empty when it did not resolve
};
TScreenFont ScreenFontFor(const TFontDesc& desc);
// The font file a build font resolves to; empty when it does not resolve.
QString FontFileFor(const TFontDesc& desc);

// The face of the window's own controls: narrow enough that every caption fits the
// width the layout gives it.
QFont ControlsFont();

// Raises TBookError, naming the reader's limit, for a font whose cells the reader
// cannot show.
void CheckFontForReader(const TFontDesc& desc);

}  // namespace quorix
