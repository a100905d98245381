// send_to_phone_test.cpp - the serving dialog headless: it serves while open, shows a QR code
// of its address, and the window opens it on the midlets directory in use.
#include "ui/send_to_phone_dialog.h"

#include <httplib.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "serve/qr_code.h"
#include "ui/fm_main.h"
#include "ui/options_dialog.h"

using namespace quorix;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

httplib::Result Fetch(const TSendToPhoneDialog& dialog, const std::string& name) {
    httplib::Client client("127.0.0.1", dialog.Port());
    client.set_connection_timeout(5);
    return client.Get((QUrl(dialog.Urls().front()).path().toStdString() + name).c_str());
}

}  // namespace

class SendToPhoneTest : public QObject {
    Q_OBJECT

  private slots:
    void servesTheDirectoryWhileOpen() {
        QTemporaryDir dir;
        Write(dir.filePath("Story1.jad"), "MIDlet-Jar-URL: Story1.jar\r\n");
        Write(dir.filePath("Story1.jar"), QByteArray(3000, 'j'));
        Write(dir.filePath("Story2.jar"), QByteArray(10, 'k'));
        auto dialog = std::make_unique<TSendToPhoneDialog>(dir.path());
        QVERIFY(dialog->Port() > 0);
        QVERIFY(dialog->Urls().front().endsWith(QStringLiteral("/")));

        const httplib::Result index = Fetch(*dialog, "");
        QVERIFY(index && index->status == 200);
        QVERIFY(index->body.find("<b>Story</b><br>\n1: <a href=\"Story1.jad\">JAD</a> | "
                                 "<a href=\"Story1.jar\">JAR</a> 3 KB<br>\n2: "
                                 "<a href=\"Story2.jar\">JAR</a> 10 B</p>") != std::string::npos);
        // Each request shows once answered (in turn: two workers may log in either order).
        auto* last = dialog->findChild<QLabel*>(QStringLiteral("SendToPhoneLastRequest"));
        QTRY_COMPARE(last->text().section(QLatin1Char(' '), -3), QStringLiteral("GET (index) 200"));
        const httplib::Result jar = Fetch(*dialog, "Story1.jar");
        QVERIFY(jar && jar->body == std::string(3000, 'j'));
        QTRY_COMPARE(last->text().section(QLatin1Char(' '), -3), QStringLiteral("GET Story1.jar 200"));

        // The QR code holds the address module for module, in black on white.
        const serve::TQrCode code(dialog->Urls().front().toStdString());
        auto* qr = dialog->findChild<QLabel*>(QStringLiteral("SendToPhoneQr"));
        const QImage shown = qr->pixmap().toImage();
        QCOMPARE(shown.width(), (code.Size() + 8) * 5);
        for (int y = 0; y < code.Size(); ++y) {
            for (int x = 0; x < code.Size(); ++x) {
                QCOMPARE(shown.pixel((x + 4) * 5 + 2, (y + 4) * 5 + 2),
                         code.Dark(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            }
        }

        // Closed: nothing listens any more.
        const int port = dialog->Port();
        dialog.reset();
        httplib::Client client("127.0.0.1", port);
        client.set_connection_timeout(2);
        QVERIFY(!client.Get("/"));
    }

    void saysWhyItCannotServe() {
        TSendToPhoneDialog dialog(QStringLiteral("/nonexistent/midlets"));
        QVERIFY(dialog.Urls().isEmpty());
        auto* text = dialog.findChild<QLabel*>(QStringLiteral("SendToPhoneText"));
        QCOMPARE(text->text(), QStringLiteral("Cannot send the books: Cannot open directory "
                                              "/nonexistent/midlets: No such file or directory"));
    }

    void theWindowServesItsMidletsDirectory() {
        QTemporaryDir program;
        QVERIFY(QDir(program.path()).mkdir(QStringLiteral("midlets")));
        Write(program.filePath("midlets/ReadMe.jar"), "jar");
        TWindowServices services;
        services.programPath = program.filePath("quorix-maker");
        TfmMain window(services);
        QCOMPARE(window.MidletsDirectory(), program.filePath("midlets"));
        auto* send = window.findChild<QAction*>(QStringLiteral("SendToPhoneAction"));
        QVERIFY(send != nullptr && window.actions().contains(send));
        send->trigger();
        auto* dialog = window.findChild<TSendToPhoneDialog*>();
        QVERIFY(dialog != nullptr && dialog->isVisible());
        const httplib::Result index = Fetch(*dialog, "");
        QVERIFY(index && index->body.find("ReadMe.jar") != std::string::npos);
        dialog->close();

        // From Options: modal over the Options dialog, serving until it is closed.
        TOptionsDialog options({}, &window, {}, [&](QWidget* over) { window.SendToPhone(over); });
        auto* button = options.findChild<QPushButton*>(QStringLiteral("SendToPhoneButton"));
        QVERIFY(button != nullptr);
        std::string fetched;
        QTimer::singleShot(0, [&] {
            auto* modal = options.findChild<TSendToPhoneDialog*>();
            if (modal == nullptr) return;
            const httplib::Result got = Fetch(*modal, "ReadMe.jar");
            fetched = got ? got->body : "error " + httplib::to_string(got.error());
            modal->close();
        });
        button->click();
        QCOMPARE(QString::fromStdString(fetched), QStringLiteral("jar"));
    }
};

QTEST_MAIN(SendToPhoneTest)
#include "send_to_phone_test.moc"
