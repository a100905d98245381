// window_build_test.cpp - Start with the core's real builder, from the window to the JAR.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/book_build.h"
#include "ui/fm_main.h"

using namespace quorix;

class WindowBuildTest : public QObject {
    Q_OBJECT

  private slots:
    void twoBuildsWriteTheBookAndKeepBothLogs() {
        QTemporaryDir program;  // stands for the program's directory
        QVERIFY(program.isValid());
        QFile source(program.filePath("readme.txt"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("First sentence. Second sentence.\r\nThird one!");
        source.close();

        TWindowServices services;
        services.runBuild = BookBuildIn(program.path());
        services.askEntryFailure = [](QWidget*, const QString&) {
            return TEntryFailureAnswer::Abort;
        };
        TfmMain window(services);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QLineEdit*>("Edit3")->setText(source.fileName());
        window.findChild<QLineEdit*>("Edit1")->setText("");  // no effect on a build

        QSignalSpy finished(&window, &TfmMain::BuildFinished);
        auto* start = window.findChild<QPushButton*>("Button1");
        for (int build = 1; build <= 2; ++build) {
            QTest::mouseClick(start, Qt::LeftButton);
            QVERIFY(finished.wait(60000));
        }

        const QStringList log =
            window.findChild<QPlainTextEdit*>("Memo2")->toPlainText().split('\n');
        QCOMPARE(log.filter(QRegularExpression("^Process started at \\d\\d:\\d\\d:\\d\\d$")).size(),
                 2);
        QCOMPARE(
            log.filter(QRegularExpression("^Process successfully ended at \\d\\d:\\d\\d:\\d\\d$"))
                .size(),
            2);
        QVERIFY2(log.last().startsWith("Process successfully ended at "),
                 qPrintable(log.join('\n')));
        QVERIFY(log.contains("Temporary directory " + QDir(program.path()).filePath("midlets") +
                             " - Ok"));
        QVERIFY(QFile::exists(program.filePath("midlets/ReadMe.jar")));
        QVERIFY(QFile::exists(program.filePath("midlets/ReadMe.jad")));
    }
};

QTEST_MAIN(WindowBuildTest)
#include "window_build_test.moc"
