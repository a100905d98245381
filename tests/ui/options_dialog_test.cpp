// options_dialog_test.cpp - the Options dialog shows the session's choices and returns
// what the user confirmed.
#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace quorix;

class OptionsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheCurrentChoicesAndReturnsTheEditedOnes() {
        TWindowOptions current;
        current.outputFolder = QStringLiteral("/srv/books");
        TOptionsDialog dialog(current);
        auto* folder = dialog.findChild<QLineEdit*>(QStringLiteral("OutputFolder"));
        QVERIFY(folder != nullptr);
        QCOMPARE(folder->text(), QStringLiteral("/srv/books"));
        QCOMPARE(dialog.Options().outputFolder, QStringLiteral("/srv/books"));

        // Typed with stray blanks: the folder is taken without them; blank means the rule.
        folder->setText(QStringLiteral("  /home/reader/phone books "));
        QCOMPARE(dialog.Options().outputFolder, QStringLiteral("/home/reader/phone books"));
        folder->setText(QStringLiteral("   "));
        QVERIFY(dialog.Options().outputFolder.isEmpty());
    }

    void everyBuildChoiceRoundTrips() {
        TWindowOptions current;
        current.sourceEncoding = QStringLiteral("detect");
        current.joinLines = true;
        current.maxJarSize = QStringLiteral("64K");
        current.strongestCompression = true;
        TOptionsDialog dialog(current);
        TWindowOptions shown = dialog.Options();
        QCOMPARE(shown.sourceEncoding, QStringLiteral("detect"));
        QVERIFY(shown.joinLines);
        QCOMPARE(shown.maxJarSize, QStringLiteral("64K"));
        QVERIFY(shown.strongestCompression);

        // Any iconv name may be typed; a blank one falls back to the default rule.
        auto* encoding = dialog.findChild<QComboBox*>(QStringLiteral("SourceEncoding"));
        QVERIFY(encoding != nullptr);
        encoding->setCurrentText(QStringLiteral(" CP866 "));
        QCOMPARE(dialog.Options().sourceEncoding, QStringLiteral("CP866"));
        encoding->setCurrentText(QString());
        QCOMPARE(dialog.Options().sourceEncoding, QStringLiteral("auto"));
        dialog.findChild<QCheckBox*>(QStringLiteral("JoinLines"))->setChecked(false);
        dialog.findChild<QCheckBox*>(QStringLiteral("StrongestCompression"))->setChecked(false);
        dialog.findChild<QLineEdit*>(QStringLiteral("MaxJarSize"))->setText(QStringLiteral(" "));
        QVERIFY(!dialog.Options().joinLines);
        QVERIFY(!dialog.Options().strongestCompression);
        QVERIFY(dialog.Options().maxJarSize.isEmpty());
    }

    void okAcceptsAndCancelRejects() {
        for (const auto button : {QDialogButtonBox::Ok, QDialogButtonBox::Cancel}) {
            TOptionsDialog dialog(TWindowOptions{});
            dialog.show();
            auto* box = dialog.findChild<QDialogButtonBox*>();
            QVERIFY(box != nullptr);
            QTest::mouseClick(box->button(button), Qt::LeftButton);
            QCOMPARE(dialog.result(),
                     button == QDialogButtonBox::Ok ? QDialog::Accepted : QDialog::Rejected);
        }
    }

    // The preview button is there only with an opener, opens over the dialog and leaves it
    // open with its choices.
    void phonePreviewOpensOverTheDialog() {
        TOptionsDialog without(TWindowOptions{});
        QVERIFY(without.findChild<QPushButton*>(QStringLiteral("PhonePreviewButton")) == nullptr);

        QWidget* openedOver = nullptr;
        TWindowOptions current;
        current.maxJarSize = QStringLiteral("64K");
        TOptionsDialog dialog(current, nullptr, [&](QWidget* over) { openedOver = over; });
        dialog.show();
        auto* button = dialog.findChild<QPushButton*>(QStringLiteral("PhonePreviewButton"));
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QStringLiteral("Phone preview..."));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(openedOver, &dialog);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Options().maxJarSize, QStringLiteral("64K"));
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
