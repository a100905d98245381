// window_build_test.cpp - Start with the core's real builder, from the window to the JAR:
// where the books go and that two windows never share their temporary files.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "ui/book_build.h"
#include "ui/fm_main.h"

using namespace quorix;

namespace {

void WriteSource(const QString& path, const QByteArray& text) {
    QFile source(path);
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write(text);
}

std::unique_ptr<TfmMain> OpenWindow(const QString& programDir, const QString& documentsDir) {
    TWindowServices services;
    services.runBuild = BookBuildIn(programDir, documentsDir);
    services.askEntryFailure = [](QWidget*, const QString&) { return TEntryFailureAnswer::Abort; };
    auto window = std::make_unique<TfmMain>(services);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) qWarning("window not active");
    return window;
}

QStringList LogOf(TfmMain& window) {
    return window.findChild<QPlainTextEdit*>("Memo2")->toPlainText().split('\n');
}

}  // namespace

class WindowBuildTest : public QObject {
    Q_OBJECT

  private slots:
    void twoBuildsWriteTheBookBesideTheProgramAndKeepBothLogs() {
        QTemporaryDir program;  // stands for the program's directory
        QTemporaryDir documents;
        QVERIFY(program.isValid() && documents.isValid());
        WriteSource(program.filePath("readme.txt"), "First sentence. Second sentence.\r\nThird!");
        auto window = OpenWindow(program.path(), documents.path());
        window->findChild<QLineEdit*>("Edit3")->setText(program.filePath("readme.txt"));
        window->findChild<QLineEdit*>("Edit1")->setText("");  // no effect on a build

        QSignalSpy finished(window.get(), &TfmMain::BuildFinished);
        auto* start = window->findChild<QPushButton*>("Button1");
        for (int build = 1; build <= 2; ++build) {
            QTest::mouseClick(start, Qt::LeftButton);
            QVERIFY(finished.wait(60000));
        }

        const QStringList log = LogOf(*window);
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
        // The temporary files went to a private directory, not beside the program.
        QVERIFY(!QFile::exists(program.filePath("temp")));
        QVERIFY(QDir(documents.path()).isEmpty());
    }

    void booksGoToTheDocumentsFolderWhenTheProgramsIsNotWritable() {
        QTemporaryDir program, documents;
        // "midlets" that cannot take books, whoever runs the test (root included).
        WriteSource(program.filePath("midlets"), "not a directory");
        WriteSource(program.filePath("a.txt"), "A short book.");
        auto window = OpenWindow(program.path(), documents.path());
        window->findChild<QLineEdit*>("Edit3")->setText(program.filePath("a.txt"));
        QSignalSpy finished(window.get(), &TfmMain::BuildFinished);
        window->Button1Click();
        QVERIFY(finished.wait(60000));
        const QString midlets = QDir(documents.path()).filePath("Quorix Maker/midlets");
        QVERIFY2(LogOf(*window).last().startsWith("Process successfully ended at "),
                 qPrintable(LogOf(*window).join('\n')));
        QVERIFY(LogOf(*window).contains("Temporary directory " + midlets + " - Ok"));
        QVERIFY(QFile::exists(midlets + "/ReadMe.jar"));
    }

    void twoWindowsBuildAtOnceWithoutSharingFiles() {
        QTemporaryDir program, documents;
        QByteArray first, second;
        for (int i = 0; i < 400; ++i) first += "The first book says this. ";
        for (int i = 0; i < 400; ++i) second += "Second! ";
        WriteSource(program.filePath("first.txt"), first);
        WriteSource(program.filePath("second.txt"), second);
        auto one = OpenWindow(program.path(), documents.path());
        auto two = OpenWindow(program.path(), documents.path());
        one->findChild<QLineEdit*>("Edit3")->setText(program.filePath("first.txt"));
        one->findChild<QLineEdit*>("Edit2")->setText("One");
        two->findChild<QLineEdit*>("Edit3")->setText(program.filePath("second.txt"));
        two->findChild<QLineEdit*>("Edit2")->setText("Two");
        QSignalSpy oneDone(one.get(), &TfmMain::BuildFinished);
        QSignalSpy twoDone(two.get(), &TfmMain::BuildFinished);
        one->Button1Click();
        two->Button1Click();
        QVERIFY(one->IsBuilding() || oneDone.size() == 1);
        QTRY_VERIFY_WITH_TIMEOUT(oneDone.size() == 1 && twoDone.size() == 1, 120000);
        for (TfmMain* window : {one.get(), two.get()}) {
            QVERIFY2(LogOf(*window).last().startsWith("Process successfully ended at "),
                     qPrintable(LogOf(*window).join('\n')));
        }
        // Each wrote its part into a directory of its own, away from the program, and
        // each part holds all of its own text.
        auto bookDat = [](const QStringList& log) {
            static const QRegularExpression line("^Create text file (.*)/book\\.dat, size (\\d+)");
            for (const QString& l : log) {
                if (auto m = line.match(l); m.hasMatch()) {
                    return std::make_pair(m.captured(1), m.captured(2).toLongLong());
                }
            }
            return std::make_pair(QString(), qint64{-1});
        };
        const auto [oneTemp, oneSize] = bookDat(LogOf(*one));
        const auto [twoTemp, twoSize] = bookDat(LogOf(*two));
        QCOMPARE(oneSize, first.size());
        QCOMPARE(twoSize, second.size());
        QVERIFY(!oneTemp.isEmpty() && oneTemp != twoTemp);
        QVERIFY(!oneTemp.startsWith(program.path()) && !twoTemp.startsWith(program.path()));
        QVERIFY(!QFile::exists(oneTemp) && !QFile::exists(twoTemp));  // removed after
        QVERIFY(!QFile::exists(program.filePath("temp")));
    }
};

QTEST_MAIN(WindowBuildTest)
#include "window_build_test.moc"
