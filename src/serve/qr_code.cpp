// qr_code.cpp - libqrencode does the encoding; this only reads its module matrix.
#include "serve/qr_code.h"

#include <qrencode.h>

#include <memory>
#include <stdexcept>

namespace quorix::serve {

TQrCode::TQrCode(std::string_view text) {
    const std::string copy(text);
    // Level M: a phone's camera reads it off a screen with a few modules blurred.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(copy.c_str(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code) throw std::runtime_error("Cannot make a QR code of " + copy);
    size_ = code->width;
    dark_.resize(static_cast<std::size_t>(size_) * size_);
    for (std::size_t i = 0; i < dark_.size(); ++i) dark_[i] = (code->data[i] & 1) != 0;
}

std::string TQrCode::TerminalText(bool colours, int margin) const {
    auto light = [&](int x, int y) {
        return x < 0 || y < 0 || x >= size_ || y >= size_ || !Dark(x, y);
    };
    std::string text;
    for (int y = -margin; y < size_ + margin; y += 2) {
        if (colours) text += "\x1b[30;47m";  // black on white
        for (int x = -margin; x < size_ + margin; ++x) {
            const bool top = colours ? !light(x, y) : light(x, y);
            const bool bottom = colours ? !light(x, y + 1) : light(x, y + 1);
            text += top ? (bottom ? "\u2588" : "\u2580") : (bottom ? "\u2584" : " ");
        }
        if (colours) text += "\x1b[0m";
        text += '\n';
    }
    return text;
}

}  // namespace quorix::serve
