// window_texts_test.cpp - the window's composed texts and the font conversion.
#include "ui/window_texts.h"

#include <QtTest>

using namespace quorix;

class WindowTextsTest : public QObject {
    Q_OBJECT

  private slots:
    void errorDisplayAddsDotAfterCharactersAboveIt_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "File not found"
                                << "File not found.";
        QTest::newRow("dot already") << "Disk full."
                                     << "Disk full.";
        QTest::newRow("digit") << "I/O error 5"
                               << "I/O error 5.";
        QTest::newRow("slash, code 47") << "Can not create/save file /tmp/"
                                        << "Can not create/save file /tmp/.";
        QTest::newRow("hyphen, code 45") << "x -"
                                         << "x -";
        QTest::newRow("closing bracket, code 41") << "(x)"
                                                  << "(x)";
        QTest::newRow("space") << "x "
                               << "x ";
        QTest::newRow("Cyrillic") << QString::fromUtf8("\xD0\xA4")
                                  << QString::fromUtf8("\xD0\xA4.");
        QTest::newRow("empty") << ""
                               << "";
    }
    void errorDisplayAddsDotAfterCharactersAboveIt() {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorDisplayText(message), shown);
    }

    void programTitleKeepsFirstCharacterAndLowersTheRest_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("ours") << "/opt/q/quorix-maker"
                              << "quorix-maker";
        QTest::newRow("capitals") << "/opt/QuorixMaker"
                                  << "Quorixmaker";
        QTest::newRow("up to the first dot") << "/a.b/QMAKER.run.exe"
                                             << "Qmaker";
        QTest::newRow("dot first") << "/x/.hidden"
                                   << "";
    }
    void programTitleKeepsFirstCharacterAndLowersTheRest() {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(ProgramTitle(path), title);
    }

    void aboutHasFourLinesJoinedByCrLf() {
        QCOMPARE(AboutText(QStringLiteral("2.0.0.37")),
                 QString::fromUtf8("Quorix Maker 2.0.0.37\r\n\xC2\xA9 Kelvatrone, 2003-2004\r\n"
                                   "support@kelvatrone.com\r\nwww.kelvatrone.com"));
        QVERIFY(AboutText(QString()).startsWith(QStringLiteral("Quorix Maker \r\n")));
    }

    void charHeightIsAbsoluteHeightPlusTwo() {
        QCOMPARE(CharHeightCaption(-11), QStringLiteral("Char height (in pixels): 13"));
        QCOMPARE(CharHeightCaption(16), QStringLiteral("Char height (in pixels): 18"));
    }

    void titleNamesThePartBeingBuilt() {
        QCOMPARE(BuildingTitle(1, 12), QStringLiteral("Quorix Maker 2.0 - part 1 of 12"));
        QCOMPARE(BuildingTitle(12, 12), QStringLiteral("Quorix Maker 2.0 - part 12 of 12"));
    }

    void fontsTheReaderCannotShowAreRefusedWithItsLimit() {
        TFontDesc font;
        font.height = -14;
        CheckFontForReader(font);  // 16 rows: the largest the reader takes
        font.height = 15;
        try {
            CheckFontForReader(font);
            QFAIL("a 17-row font was taken");
        } catch (const std::exception& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("Font too high for the reader: glyph height 17 rows, the "
                                    "limit is 16"));
        }
        font.height = 0;
        QVERIFY_THROWS_EXCEPTION(std::exception, CheckFontForReader(font));
    }

    void fontDescTakesPixelHeightNegativeAndStyle() {
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(11);
        font.setBold(true);
        font.setItalic(true);
        font.setUnderline(true);
        font.setStrikeOut(true);
        const TFontDesc desc = FontDescFromQFont(font, 96);
        QCOMPARE(desc.face, std::string("DejaVu Serif"));
        QCOMPARE(desc.height, -11);
        QVERIFY(desc.bold && desc.italic && desc.underline && desc.strikeout);
        QCOMPARE(desc.codePage, std::string("CP1251"));
    }

    void fontDescConvertsPointsAtTheScreenResolution() {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(8);
        QCOMPARE(FontDescFromQFont(font, 96).height, -11);  // 10.67 rounds up
        font.setPointSize(12);
        QCOMPARE(FontDescFromQFont(font, 96).height, -16);
        QCOMPARE(FontDescFromQFont(font, 120).height, -20);
        font.setWeight(QFont::DemiBold);
        QVERIFY(!FontDescFromQFont(font, 96).bold);
    }

    void windowFontRoundTrips() {
        const TFontDesc initial;
        const QFont font = QFontFromFontDesc(initial);
        QCOMPARE(font.pixelSize(), 11);
        const TFontDesc back = FontDescFromQFont(font, 96);
        QCOMPARE(back.face, initial.face);
        QCOMPARE(back.height, initial.height);
        QVERIFY(!back.bold && !back.italic && !back.underline && !back.strikeout);
    }
};

QTEST_MAIN(WindowTextsTest)
#include "window_texts_test.moc"
