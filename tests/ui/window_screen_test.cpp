// window_screen_test.cpp - the window on a real X screen with a window manager: at 1.5x
// scaling on a 1366x768 screen it keeps its layout and lies wholly on the screen.
// Run by xvfb_wm.sh.
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <QtTest>

#include "ui/fm_main.h"

using namespace quorix;

class WindowScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void fitsTheScreenAtItsScaling() {
        TWindowServices services;
        TfmMain window(services);
        // The native window's frame: the widget's can lag behind the window manager's.
        const auto frame = [&] { return window.windowHandle()->frameGeometry(); };
        // The window manager frames the window a little after it is mapped.
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const bool framed =
            QTest::qWaitFor([&] { return frame().height() > window.height(); }, 8000);
        QVERIFY2(framed, "no window manager framed the window");
        const QScreen* screen = window.screen();
        const QRect available = screen->availableGeometry();
        // The window moves itself once its frame is known, which may take a while on a
        // loaded machine.
        const bool onScreen = QTest::qWaitFor([&] { return available.contains(frame()); }, 5000);

        const qreal scale = qEnvironmentVariable("QUORIX_EXPECT_SCALE", "1").toDouble();
        QCOMPARE(window.devicePixelRatio(), scale);
        // Layout in device-independent pixels, whatever the scaling.
        QCOMPARE(window.size(), QSize(404, 464));
        QCOMPARE(window.findChild<QPushButton*>("Button1")->geometry(), QRect(8, 432, 75, 25));
        QVERIFY2(onScreen, qPrintable(QStringLiteral("frame %1,%2 %3x%4 on %5x%6")
                                          .arg(frame().x())
                                          .arg(frame().y())
                                          .arg(frame().width())
                                          .arg(frame().height())
                                          .arg(available.width())
                                          .arg(available.height())));
        // Where the screen has room, the laid-out position stays.
        if (available.height() >= 107 + frame().height() + 40) {
            QCOMPARE(frame().topLeft(), QPoint(192, 107));
        }
    }
};

QTEST_MAIN(WindowScreenTest)
#include "window_screen_test.moc"
