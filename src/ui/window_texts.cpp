// window_texts.cpp - the main window's composed texts and font conversion.
#include "ui/window_texts.h"

#include <QFileInfo>
#include <cmath>
#include <cstdlib>

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

QString EntryFailureQuestion(const QString& message) {
    return message + QStringLiteral(". File processing error, possibly disk is full");
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
