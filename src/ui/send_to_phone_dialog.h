// send_to_phone_dialog.h - "Send to phone...": serves the midlets directory to phones on the
// same network while the dialog is open, and shows the address to open as text and QR code.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

class QLabel;

namespace quorix {

namespace serve {
class TBookServer;
class TQrCode;
}  // namespace serve

// The code's modules as black and white pixels, `scale` pixels each, with a quiet zone of
// four modules.
QImage QrImage(const serve::TQrCode& code, int scale);

class TSendToPhoneDialog : public QDialog {
    Q_OBJECT

  public:
    // Starts the server on `midletsDir`; when it cannot start, the dialog says why.
    explicit TSendToPhoneDialog(const QString& midletsDir, QWidget* parent = nullptr);
    ~TSendToPhoneDialog() override;

    // The addresses the dialog shows, first the one in the QR code; empty when not serving.
    QStringList Urls() const { return urls_; }
    int Port() const;

  private:
    void NoteRequest(const QString& line);

    std::unique_ptr<serve::TBookServer> server_;
    QStringList urls_;
    QLabel* lastRequest_ = nullptr;
};

}  // namespace quorix
