// qr_code.h - the server's address as a QR code, for the terminal and for the window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorix::serve {

class TQrCode {
  public:
    // Raises when the text does not fit a QR code.
    explicit TQrCode(std::string_view text);

    int Size() const { return size_; }  // modules per side, without the quiet zone
    bool Dark(int x, int y) const { return dark_[static_cast<std::size_t>(y) * size_ + x]; }

    // Two rows of modules per line in Unicode half blocks, with a quiet zone of `margin`
    // modules. With `colours`, ANSI colours make it dark on light on any terminal theme;
    // without, light modules are blocks, which reads right on a dark terminal.
    std::string TerminalText(bool colours, int margin = 4) const;

  private:
    int size_ = 0;
    std::vector<bool> dark_;
};

}  // namespace quorix::serve
