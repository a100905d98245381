// phone_preview_test.cpp - a real build's phone preview behind Ctrl+P; the dialog pages and zooms.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "preview/book_preview.h"
#include "ui/book_build.h"
#include "ui/fm_main.h"
#include "ui/phone_preview_dialog.h"

using namespace quorix;

class PhonePreviewTest : public QObject {
    Q_OBJECT

    template <class T>
    static T* Find(const char* name) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (T* found = w->objectName() == name ? qobject_cast<T*>(w) : w->findChild<T*>(name)) {
                return found;
            }
        }
        return nullptr;
    }

    // A window of its own program folder that has built `count` copies of `sentence` into
    // parts of `partSize` bytes (the window's default when empty).
    static void BuildInWindow(const QTemporaryDir& program, const char* sentence, int count,
                              const QString& partSize, std::unique_ptr<TfmMain>& window) {
        QFile source(program.filePath("readme.txt"));
        QVERIFY(source.open(QIODevice::WriteOnly));
        for (int i = 0; i < count; ++i) {
            source.write(sentence);
        }
        source.close();
        TWindowServices services;
        services.runBuild = BookBuildIn(program.path(), program.filePath("documents"));
        services.askEntryFailure = [](QWidget*, const QString&) {
            return TEntryFailureAnswer::Abort;
        };
        window = std::make_unique<TfmMain>(services);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->findChild<QLineEdit*>("Edit3")->setText(source.fileName());
        if (!partSize.isEmpty()) {
            window->findChild<QLineEdit*>("Edit5")->setText(partSize);
        }
        QSignalSpy finished(window.get(), &TfmMain::BuildFinished);
        QTest::mouseClick(window->findChild<QPushButton*>("Button1"), Qt::LeftButton);
        QVERIFY(finished.wait(60000));
    }

  private slots:
    void aSuccessfulBuildShowsNoMessageAndCtrlPShowsItsLastPart() {
        QTemporaryDir program;
        std::unique_ptr<TfmMain> window;
        BuildInWindow(program, "A sentence that fills a line or two of a small phone screen. ", 60,
                      "2000", window);  // two parts
        QVERIFY(!QTest::currentTestFailed());

        QTest::qWait(50);  // a box opened at the build's end would show by now
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY2(!w->isVisible() || w == window.get(), qPrintable(w->objectName()));
        }
        QVERIFY(window->findChild<QAction*>("phonePreview") != nullptr);
        QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
        TPhonePreviewDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<TPhonePreviewDialog*>(w)) {
                dialog = d;
            }
        }
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->windowTitle().endsWith("ReadMe2.jar"));
        QVERIFY(dialog->PageCount() > 1);
        dialog->close();
    }

    void theDialogPagesAndZoomsSharply() {
        QTemporaryDir program;
        std::unique_ptr<TfmMain> window;
        BuildInWindow(program, "Words, words and more words for the phone's pages. ", 40, {},
                      window);
        QVERIFY(!QTest::currentTestFailed());
        const QString jar = program.filePath("midlets/ReadMe.jar");
        QVERIFY(QFile::exists(jar));

        TPhonePreviewDialog dialog(jar);
        auto* counter = dialog.findChild<QLabel*>("counter");
        auto* picture = dialog.findChild<QLabel*>("picture");
        const int pages = dialog.PageCount();
        QVERIFY(pages > 1);
        QCOMPARE(counter->text(), QString("Page 1 of %1").arg(pages));
        QTest::keyClick(&dialog, Qt::Key_PageDown);
        QCOMPARE(counter->text(), QString("Page 2 of %1").arg(pages));
        QTest::keyClick(&dialog, Qt::Key_PageUp);
        QTest::keyClick(&dialog, Qt::Key_PageUp);  // stays on the first page
        QCOMPARE(dialog.PageIndex(), 0);

        dialog.findChild<QSpinBox*>("zoom")->setValue(3);
        const QImage shown = picture->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(176 * 3, 208 * 3));
        // Each phone pixel is a 3 x 3 square of the renderer's colour.
        const preview::TBookFiles files = preview::ReadBookFiles(jar.toStdString());
        const preview::TBookPreview book(files, preview::TDocumentKind::Book, {176, 208}, true);
        const QImage page = PageToImage(book.Page(0));
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x) {
                QCOMPARE(shown.pixel(x, y), page.pixel(x / 3, y / 3));
            }
        }

        dialog.findChild<QComboBox*>("screen")->setCurrentText("128x128");
        QCOMPARE(picture->pixmap().size(), QSize(128 * 3, 128 * 3));
        QVERIFY(dialog.PageCount() > pages);
        dialog.findChild<QComboBox*>("document")->setCurrentIndex(1);  // the help
        QCOMPARE(dialog.PageIndex(), 0);
        QCOMPARE(dialog.PageCount(),
                 preview::TBookPreview(files, preview::TDocumentKind::Help, {128, 128}, true)
                     .PageCount());
        dialog.findChild<QComboBox*>("screen")->setCurrentText("12");
        QCOMPARE(dialog.PageCount(), 0);
        QVERIFY(picture->text().contains("WIDTHxHEIGHT"));

        TPhonePreviewDialog broken(program.filePath("readme.txt"));
        QCOMPARE(broken.PageCount(), 0);
        QVERIFY(broken.findChild<QLabel*>("picture")->text().startsWith("Can not open book"));
    }
};

QTEST_MAIN(PhonePreviewTest)
#include "phone_preview_test.moc"
