// window_texts.cpp - the main window's composed texts and font conversion.
#include "ui/window_texts.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStringList>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "book/book_error.h"
#include "font/font_dat.h"
#include "font/font_lookup.h"
#include "font/font_rasterizer.h"

namespace quorix {

QString ProgramTitle(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    name.truncate(name.indexOf(QLatin1Char('.')) < 0 ? name.size()
                                                     : name.indexOf(QLatin1Char('.')));
    if (name.isEmpty()) {
        return name;
    }
    return name.left(1) + name.mid(1).toLower();
}

QString ErrorDisplayText(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') {
        return message + QLatin1Char('.');
    }
    return message;
}

QString AboutText(const QString& version) {
    return QStringLiteral("Quorix Maker ") + version +
           QStringLiteral(
               "\r\n\u00A9 Kelvatrone, 2003-2004\r\nsupport@kelvatrone.com\r\n"
               "www.kelvatrone.com");
}

QString CharHeightCaption(int fontHeight) {
    return QStringLiteral("Char height (in pixels): ") + QString::number(std::abs(fontHeight) + 2);
}

QString BuildingTitle(std::uint64_t part, std::uint64_t parts) {
    return QStringLiteral("%1 - part %2 of %3")
        .arg(QString::fromLatin1(kWindowTitle))
        .arg(part)
        .arg(parts);
}

TFontDesc FontDescFromQFont(const QFont& font, int dotsPerInch) {
    TFontDesc desc;
    desc.face = font.family().toStdString();
    if (font.pixelSize() > 0) {
        desc.height = -font.pixelSize();
    } else {
        desc.height = -static_cast<int>(std::lround(font.pointSizeF() * dotsPerInch / 72.0));
    }
    desc.bold = font.weight() >= QFont::Bold;
    desc.italic = font.italic();
    desc.underline = font.underline();
    desc.strikeout = font.strikeOut();
    return desc;
}

QFont QFontFromFontDesc(const TFontDesc& desc) {
    QFont font(QString::fromStdString(desc.face));
    // A positive height is the whole cell; the em size is then a little smaller,
    // but on screen the difference does not matter.
    font.setPixelSize(std::max(1, std::abs(desc.height)));
    font.setBold(desc.bold);
    font.setItalic(desc.italic);
    font.setUnderline(desc.underline);
    font.setStrikeOut(desc.strikeout);
    return font;
}

}  // namespace quorix

namespace quorix {

QString FontFileFor(const TFontDesc& desc) {
    try {
        const TFontFile file = LocateFont(desc.face, desc.bold, desc.italic);
        return QFile::decodeName(QByteArray::fromStdString(file.path));
    } catch (const std::exception&) {
        return QString();  // the build will say why
    }
}

TScreenFont ScreenFontFor(const TFontDesc& desc) {
    TScreenFont screen{QFontFromFontDesc(desc), FontFileFor(desc)};
    if (screen.file.isEmpty()) {
        return screen;
    }
    const int id = QFontDatabase::addApplicationFont(screen.file);
    const QStringList families =
        id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (!families.isEmpty()) {
        screen.font.setFamilies({families.first()});
    }
    return screen;
}

QFont ControlsFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(10);
    return font;
}

void CheckFontForReader(const TFontDesc& desc) {
    if (desc.height == 0) throw TBookError(std::string(kMsgFontHeightZero));
    CheckGlyphHeight(std::llabs(static_cast<long long>(desc.height)) + 2);
}

}  // namespace quorix
