// window_texts.h - the main window's composed texts: title, error display, About,
// char height, and the conversion between Qt fonts and the build's font.
#pragma once

#include <QFont>
#include <QString>

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

// The question asked when an archive entry fails.
QString EntryFailureQuestion(const QString& message);

// A font as the build takes it. Pixel sizes become negative em heights; point sizes
// are converted at `dotsPerInch` first, rounding to the nearest pixel.
TFontDesc FontDescFromQFont(const QFont& font, int dotsPerInch);

// The Qt font that shows a build font on screen.
QFont QFontFromFontDesc(const TFontDesc& desc);

}  // namespace quorix
