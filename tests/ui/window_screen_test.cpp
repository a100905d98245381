// window_screen_test.cpp - the window on a real X screen with a window manager: at 1.5x
// scaling on a 1366x768 screen it keeps its layout and lies wholly on the screen.
// Run by xvfb_wm.sh.
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "ui/fm_main.h"

using namespace quorix;

class WindowScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void fitsTheScreenAtItsScaling() {
        TWindowServices services;
        TfmMain window(services);
        // The window manager frames the window a little after it is mapped; one that
        // came up after the window was mapped (a loaded machine) manages it once it is
        // mapped again.
        bool framed = false;
        for (int attempt = 0; attempt < 3 && !framed; ++attempt) {
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            framed = QTest::qWaitFor(
                [&] { return window.frameGeometry().height() > window.height(); }, 8000);
            if (!framed) window.hide();
        }
        QVERIFY2(framed, "no window manager framed the window");
        QTest::qWait(300);

        const QScreen* screen = window.screen();
        const qreal scale = qEnvironmentVariable("QUORIX_EXPECT_SCALE", "1").toDouble();
        QCOMPARE(window.devicePixelRatio(), scale);
        // Layout in device-independent pixels, whatever the scaling.
        QCOMPARE(window.size(), QSize(404, 464));
        QCOMPARE(window.findChild<QPushButton*>("Button1")->geometry(), QRect(8, 432, 75, 25));
        const QRect available = screen->availableGeometry();
        QVERIFY2(available.contains(window.frameGeometry()),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4 on %5x%6")
                                .arg(window.frameGeometry().x())
                                .arg(window.frameGeometry().y())
                                .arg(window.frameGeometry().width())
                                .arg(window.frameGeometry().height())
                                .arg(available.width())
                                .arg(available.height())));
        // Where the screen has room, the laid-out position stays.
        if (available.height() >= 107 + window.frameGeometry().height() + 40) {
            QCOMPARE(window.pos(), QPoint(192, 107));
        }
    }
};

QTEST_MAIN(WindowScreenTest)
#include "window_screen_test.moc"
