// send_to_phone_dialog.cpp - the server lives exactly as long as the dialog.
#include "ui/send_to_phone_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>
#include <exception>

#include "serve/book_server.h"
#include "serve/qr_code.h"

namespace quorix {

namespace {

// Tried first, so that an address written down once works next time; any free port else.
constexpr int kUsualPort = 8080;

std::unique_ptr<serve::TBookServer> StartServer(serve::TServeOptions options) {
    try {
        return std::make_unique<serve::TBookServer>(options);
    } catch (const std::exception&) {
        options.port = 0;
        return std::make_unique<serve::TBookServer>(options);
    }
}

}  // namespace

QImage QrImage(const serve::TQrCode& code, int scale) {
    constexpr int kQuietZone = 4;
    const int side = (code.Size() + 2 * kQuietZone) * scale;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code.Size(); ++y) {
        for (int x = 0; x < code.Size(); ++x) {
            if (!code.Dark(x, y)) continue;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    image.setPixel((x + kQuietZone) * scale + dx, (y + kQuietZone) * scale + dy,
                                   qRgb(0, 0, 0));
                }
            }
        }
    }
    return image;
}

TSendToPhoneDialog::TSendToPhoneDialog(const QString& midletsDir, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SendToPhoneDialog"));
    setWindowTitle(tr("Send to phone"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("SendToPhoneText"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* qr = new QLabel(this);
    qr->setObjectName(QStringLiteral("SendToPhoneQr"));
    qr->setAlignment(Qt::AlignCenter);
    layout->addWidget(qr);
    lastRequest_ = new QLabel(this);
    lastRequest_->setObjectName(QStringLiteral("SendToPhoneLastRequest"));
    lastRequest_->setTextFormat(Qt::PlainText);  // a request's path is the peer's text
    layout->addWidget(lastRequest_);

    serve::TServeOptions options;
    options.dir = QFile::encodeName(midletsDir).toStdString();
    options.port = kUsualPort;
    // Worker threads report here; the label is touched on the window's thread only.
    QPointer<TSendToPhoneDialog> self(this);
    options.log = [self](const std::string& line) {
        QMetaObject::invokeMethod(self, [self, line = QString::fromStdString(line)] {
            if (self) self->NoteRequest(line);
        });
    };
    try {
        server_ = StartServer(options);
        for (const std::string& url : server_->PhoneUrls()) urls_ << QString::fromStdString(url);
        QString shown = tr("On the phone, open this address in the browser (same Wi-Fi), then "
                           "pick a book's JAD, or its JAR in J2ME Loader:") +
                        QStringLiteral("<br><b>") + urls_.front().toHtmlEscaped() +
                        QStringLiteral("</b>");
        for (qsizetype i = 1; i < urls_.size(); ++i) {
            shown += QStringLiteral("<br>") + tr("or") + QStringLiteral(" ") +
                     urls_[i].toHtmlEscaped();
        }
        text->setText(shown + QStringLiteral("<br>") + tr("Books of %1, until this closes.")
                                                           .arg(midletsDir.toHtmlEscaped()));
        qr->setPixmap(QPixmap::fromImage(QrImage(serve::TQrCode(urls_.front().toStdString()), 5)));
    } catch (const std::exception& e) {
        server_.reset();
        urls_.clear();
        text->setText(tr("Cannot send the books: %1").arg(QString::fromStdString(e.what())));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TSendToPhoneDialog::~TSendToPhoneDialog() = default;

int TSendToPhoneDialog::Port() const {
    return server_ ? server_->Port() : 0;
}

void TSendToPhoneDialog::NoteRequest(const QString& line) {
    lastRequest_->setText(tr("Last request: %1").arg(line));
}

}  // namespace quorix
