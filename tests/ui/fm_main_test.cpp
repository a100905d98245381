// fm_main_test.cpp - the main window headless: layout, defaults, preview, width rule,
// font choice, Start and its log, About, errors and the developer commands.
#include "ui/fm_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QThread>
#include <QUrl>
#include <QtTest>
#include <deque>
#include <memory>
#include <vector>

#include "font/font_lookup.h"

using namespace quorix;

namespace {

// What the window asked of its services, and the answers it gets.
struct TFakePlatform {
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    QStringList fileTitles;
    QStringList fileDirectories;  // where each open dialog started
    std::deque<std::optional<TWindowOptions>> optionAnswers;
    int optionsWithPreview = 0;  // Options dialogs offered a phone preview opener
    std::deque<bool> stopAnswers;
    int stopQuestions = 0;
    std::vector<QFont> fontDialogStarts;
    QStringList messages;  // "caption|text"
    QStringList errors;    // "caption|text"
    QStringList questions;
    TEntryFailureAnswer entryAnswer = TEntryFailureAnswer::Ignore;
    std::vector<TBuildSettings> builds;
    std::vector<std::filesystem::path> outputFolders;
    std::vector<TCompression> compressions;
    // Runs on the worker thread for every build; logs through `log`.
    std::function<void(const TBuildJob& job, TBuildLog& log, const TAskEntryFailure& ask)>
        buildBody;

    TWindowServices Services() {
        TWindowServices s;
        s.openFile = [this](QWidget*, const QString& title, const QString& directory) {
            fileTitles << title;
            fileDirectories << directory;
            auto answer = fileAnswers.empty() ? std::nullopt : fileAnswers.front();
            if (!fileAnswers.empty()) fileAnswers.pop_front();
            return answer;
        };
        s.chooseFont = [this](QWidget*, const QFont& current) {
            fontDialogStarts.push_back(current);
            auto answer = fontAnswers.empty() ? std::nullopt : fontAnswers.front();
            if (!fontAnswers.empty()) fontAnswers.pop_front();
            return answer;
        };
        s.showInformation = [this](QWidget*, const QString& caption, const QString& text) {
            messages << caption + "|" + text;
        };
        s.showError = [this](QWidget*, const QString& caption, const QString& text) {
            errors << caption + "|" + text;
        };
        s.askEntryFailure = [this](QWidget*, const QString& text) {
            questions << text;
            return entryAnswer;
        };
        s.runBuild = [this](const TBuildJob& job, TBuildLog& log, const TAskEntryFailure& ask) {
            builds.push_back(job.settings);
            outputFolders.push_back(job.outputFolder);
            compressions.push_back(job.compression);
            if (buildBody) buildBody(job, log, ask);
        };
        s.editOptions = [this](QWidget*, const TWindowOptions&,
                               const std::function<void(QWidget*)>& openPreview,
                               const std::function<void(QWidget*)>&) {
            if (openPreview) ++optionsWithPreview;
            auto answer = optionAnswers.empty() ? std::nullopt : optionAnswers.front();
            if (!optionAnswers.empty()) optionAnswers.pop_front();
            return answer;
        };
        s.askStopBuild = [this](QWidget*) {
            ++stopQuestions;
            const bool answer = !stopAnswers.empty() && stopAnswers.front();
            if (!stopAnswers.empty()) stopAnswers.pop_front();
            return answer;
        };
        s.programPath = QStringLiteral("/opt/quorix/Quorix-Maker.bin");
        return s;
    }
};

template <class W>
W* Find(QWidget& window, const char* name) {
    W* widget = window.findChild<W*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class FmMainTest : public QObject {
    Q_OBJECT

    TFakePlatform platform_;
    std::unique_ptr<TfmMain> window_;
    QTemporaryDir dir_;

    QPlainTextEdit* Memo1() { return Find<QPlainTextEdit>(*window_, "Memo1"); }
    QLineEdit* Edit1() { return Find<QLineEdit>(*window_, "Edit1"); }
    QLabel* Label2() { return Find<QLabel>(*window_, "Label2"); }
    QLabel* Label7() { return Find<QLabel>(*window_, "Label7"); }

    void ShowAndActivate() {
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void RunBuild() {
        QSignalSpy finished(window_.get(), &TfmMain::BuildFinished);
        QTest::mouseClick(Find<QPushButton>(*window_, "Button1"), Qt::LeftButton);
        QVERIFY(finished.wait(5000));
    }

    // Chooses `path` in the source dialog and previews it.
    void Preview(const QString& path) {
        platform_.fileAnswers.push_back(path);
        QTest::mouseClick(Find<QPushButton>(*window_, "Button4"), Qt::LeftButton);
    }

  private slots:
    void init() {
        platform_ = TFakePlatform();
        window_ = std::make_unique<TfmMain>(platform_.Services());
    }
    void cleanup() { window_.reset(); }

    void windowIsFixedWithMinimizeAndCloseOnly() {
        QCOMPARE(window_->objectName(), QStringLiteral("fmMain"));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Quorix Maker 2.0"));
        QCOMPARE(window_->size(), QSize(404, 464));
        QCOMPARE(window_->minimumSize(), QSize(404, 464));
        QCOMPARE(window_->maximumSize(), QSize(404, 464));
        const Qt::WindowFlags flags = window_->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        // A condensed face at 10 pixels: every caption fits its laid-out width.
        QCOMPARE(QFontInfo(window_->font()).family(), QStringLiteral("DejaVu Sans Condensed"));
        QCOMPARE(window_->font().pixelSize(), 10);
    }

    void controlsHaveTheirBoundsAndTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* kind, QRect bounds, const char* text) {
            QTest::newRow(name) << name << kind << bounds << QString::fromUtf8(text);
        };
        row("Label8", "QLabel", {8, 8, 119, 13}, "Book name (midlet name)");
        row("Edit2", "QLineEdit", {16, 24, 129, 21}, "");
        row("Label11", "QLabel", {188, 8, 85, 13}, "Help file language");
        row("ComboBox2", "QComboBox", {188, 24, 209, 21}, "");
        row("Label5", "QLabel", {8, 48, 166, 13}, "Information about book, author etc.");
        row("Edit6", "QLineEdit", {16, 64, 381, 21}, "");
        row("Label9", "QLabel", {8, 96, 70, 13}, "Source text file");
        row("Edit3", "QLineEdit", {16, 112, 357, 21}, "");
        row("Button4", "QPushButton", {376, 112, 21, 21}, "...");
        row("Label7", "QLabel", {16, 136, 37, 13}, "File size");
        row("CheckBox1", "QCheckBox", {176, 136, 221, 17}, "Remove redundancy chararcters (space)");
        row("Label3", "QLabel", {16, 160, 139, 13}, "Max size of text part (in bytes)");
        row("Edit5", "QLineEdit", {164, 156, 69, 21}, "90000");
        row("Label10", "QLabel", {8, 188, 21, 13}, "Font");
        row("Edit4", "QLineEdit", {16, 204, 357, 21}, "MS Sans Serif");
        row("Button5", "QPushButton", {376, 204, 21, 21}, "...");
        row("Label2", "QLabel", {16, 228, 118, 13}, "Char height (in pixels): 10");
        row("Label1", "QLabel", {8, 252, 172, 13}, "Phone screen preview (approximate)");
        row("Label4", "QLabel", {16, 268, 62, 13}, "Screen width");
        row("Edit1", "QLineEdit", {16, 284, 49, 21}, "128");
        row("Memo1", "QPlainTextEdit", {120, 268, 185, 65},
            "The program Quorix Maker is \nintended for creation of electronic \n"
            "books Quorix. Quorix is the program \n(midlet) loaded in a cellular telephone, \n"
            "supporting \njava. In the program Quorix it is \n"
            "included: a font for the display, the \ncompressed text of the book, the \n"
            "instruction and an executed file.");
        row("Label6", "QLabel", {8, 340, 54, 13}, "Phone type");
        row("ComboBox1", "QComboBox", {72, 336, 325, 21}, "");
        row("Memo2", "QPlainTextEdit", {8, 368, 389, 61}, "");
        row("Button1", "QPushButton", {8, 432, 75, 25}, "Start");
        row("Button2", "QPushButton", {88, 432, 75, 25}, "Hex");
        row("Button6", "QPushButton", {168, 432, 75, 25}, "Text");
        row("Button3", "QPushButton", {320, 432, 75, 25}, "About");
        row("Bevel1", "QFrame", {4, 4, 397, 85}, "");
        row("Bevel2", "QFrame", {4, 92, 397, 89}, "");
        row("Bevel3", "QFrame", {4, 184, 397, 61}, "");
        row("Bevel4", "QFrame", {4, 248, 397, 113}, "");
        row("Bevel5", "QFrame", {4, 364, 397, 97}, "");
    }
    void controlsHaveTheirBoundsAndTexts() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QRect, bounds);
        QFETCH(QString, text);
        auto* widget = window_->findChild<QWidget*>(name);
        QVERIFY(widget != nullptr);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
        QCOMPARE(widget->geometry(), bounds);
        // Each caption shows whole, in the face the window really uses.
        if (qobject_cast<QLabel*>(widget) != nullptr || qobject_cast<QCheckBox*>(widget)) {
            QVERIFY2(widget->sizeHint().width() <= bounds.width(),
                     qPrintable(QStringLiteral("%1 needs %2 pixels")
                                    .arg(name)
                                    .arg(widget->sizeHint().width())));
        }
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget)) shown = label->text();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) shown = edit->text();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) shown = memo->toPlainText();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown = button->text();
        QCOMPARE(shown, text);
        if (auto* frame = qobject_cast<QFrame*>(widget); frame && kind == "QFrame") {
            QCOMPARE(frame->frameShadow(), QFrame::Sunken);
            QCOMPARE(frame->frameShape(), QFrame::Box);
        }
    }

    void controlsHaveTheirInitialStates() {
        auto* combo1 = Find<QComboBox>(*window_, "ComboBox1");
        auto* combo2 = Find<QComboBox>(*window_, "ComboBox2");
        QCOMPARE(combo1->currentIndex(), -1);
        QCOMPARE(combo2->currentIndex(), -1);
        QVERIFY(!combo1->isEditable() && !combo2->isEditable());
        QCOMPARE(combo1->itemText(0), QStringLiteral("All phones (standart screen size)"));
        QCOMPARE(combo1->itemText(1), QStringLiteral("Only Nokia phones (full screen)"));
        QCOMPARE(combo1->count(), 2);
        QCOMPARE(combo2->itemText(0), QStringLiteral("Russian"));
        QCOMPARE(combo2->itemText(1), QStringLiteral("English"));
        QCOMPARE(combo2->count(), 2);
        auto* check = Find<QCheckBox>(*window_, "CheckBox1");
        QVERIFY(!check->isEnabled() && !check->isChecked());
        QCOMPARE(check->layoutDirection(), Qt::RightToLeft);
        QVERIFY(Find<QLineEdit>(*window_, "Edit4")->isReadOnly());
        QCOMPARE(Memo1()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(Memo1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(Memo1()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(Find<QPlainTextEdit>(*window_, "Memo2")->verticalScrollBarPolicy(),
                 Qt::ScrollBarAlwaysOn);
        ShowAndActivate();
        QVERIFY(!Find<QPushButton>(*window_, "Button2")->isVisible());
        QVERIFY(!Find<QPushButton>(*window_, "Button6")->isVisible());
        QVERIFY(Find<QPushButton>(*window_, "Button1")->isVisible());
        for (auto* button : window_->findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(),
                     qPrintable(button->objectName()));
        }
    }

    void tabOrderFollowsTheLayout() {
        const QStringList expected = {"Edit2",     "Edit3",    "Button4", "CheckBox1", "Edit4",
                                      "Button5",   "Memo1",    "Edit1",   "Edit5",     "Edit6",
                                      "ComboBox1", "Button1",  "Memo2",   "Button2",   "Button3",
                                      "Button6",   "ComboBox2"};
        QStringList chain;
        QWidget* widget = Find<QWidget>(*window_, "Edit2");
        do {
            if (expected.contains(widget->objectName()) && !chain.contains(widget->objectName())) {
                chain << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget != Find<QWidget>(*window_, "Edit2"));
        QCOMPARE(chain, expected);
    }

    void firstActivationSetsTheDefaultsOnce() {
        QCOMPARE(Find<QLineEdit>(*window_, "Edit2")->text(), QString());
        ShowAndActivate();
        QCOMPARE(Find<QComboBox>(*window_, "ComboBox1")->currentIndex(), 1);
        QCOMPARE(Find<QComboBox>(*window_, "ComboBox2")->currentIndex(), 0);
        QCOMPARE(Find<QLineEdit>(*window_, "Edit2")->text(), QStringLiteral("ReadMe"));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit6")->text(),
                 QString::fromUtf8("\xC2\xA9 Kelvatrone, 2003-2004"));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit3")->text(), QStringLiteral("readme.txt"));

        // A later activation keeps what the user typed.
        Find<QLineEdit>(*window_, "Edit2")->setText(QStringLiteral("Mine"));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit2")->text(), QStringLiteral("Mine"));
    }

    void startWithoutAnyChoiceUsesTheDefaults() {
        ShowAndActivate();
        RunBuild();
        QCOMPARE(platform_.builds.size(), std::size_t{1});
        const TBuildSettings& s = platform_.builds[0];
        QCOMPARE(s.sourcePath, std::string("readme.txt"));
        QCOMPARE(s.bookName, std::string("ReadMe"));
        QCOMPARE(s.infoText, std::string("\xC2\xA9 Kelvatrone, 2003-2004"));
        QCOMPARE(s.partSizeText, std::string("90000"));
        QCOMPARE(s.phoneType, PhoneType::Nokia);
        QCOMPARE(s.helpLanguage, 0);
        QCOMPARE(s.font.face, std::string("MS Sans Serif"));
        QCOMPARE(s.font.height, -11);
        QVERIFY(!s.font.bold && !s.font.italic && !s.font.underline && !s.font.strikeout);
        QCOMPARE(s.font.codePage, std::string("CP1251"));
    }

    void startTakesWhatTheUserEntered() {
        ShowAndActivate();
        auto* edit2 = Find<QLineEdit>(*window_, "Edit2");
        edit2->setText(QString::fromUtf8("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0"));
        Find<QLineEdit>(*window_, "Edit5")->setText(QStringLiteral(" $80"));
        Find<QComboBox>(*window_, "ComboBox1")->setCurrentIndex(0);
        Find<QComboBox>(*window_, "ComboBox2")->setCurrentIndex(1);
        RunBuild();
        const TBuildSettings& s = platform_.builds.at(0);
        QCOMPARE(s.bookName, std::string("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB0"));
        QCOMPARE(s.partSizeText, std::string(" $80"));  // unconverted: the build converts it
        QCOMPARE(s.phoneType, PhoneType::Any);
        QCOMPARE(s.helpLanguage, 1);
    }

    void previewShowsWholeFileUpTo1000Bytes() {
        QByteArray bytes(1000, 'a');
        bytes[0] = '\xC0';  // Cyrillic capital A in code page 1251
        bytes[999] = 'z';
        WriteBytes(dir_.filePath("t1000.txt"), bytes);
        Preview(dir_.filePath("t1000.txt"));
        QCOMPARE(platform_.fileTitles, QStringList{"Select source text file"});
        QCOMPARE(Find<QLineEdit>(*window_, "Edit3")->text(), dir_.filePath("t1000.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size 1000 bytes"));
        QCOMPARE(Memo1()->toPlainText(),
                 QString::fromUtf8("\xD0\x90") + QString(998, 'a') + QStringLiteral("z"));
        QVERIFY(platform_.errors.isEmpty());
    }

    void previewShowsFirst100BytesAbove1000() {
        QByteArray bytes;
        for (int i = 0; i < 1001; ++i) bytes += char('a' + i % 26);
        WriteBytes(dir_.filePath("t1001.txt"), bytes);
        Preview(dir_.filePath("t1001.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size 1001 bytes"));
        QCOMPARE(Memo1()->toPlainText(), QString::fromLatin1(bytes.left(100)));
        QVERIFY(Label7()->width() >= Label7()->sizeHint().width());
    }

    // UTF-8 and FB2 sources preview as the build reads them; the 1000-byte rule
    // counts the converted bytes (550 letters are 1100 bytes of UTF-8).
    void previewOfUtf8AndFb2SourcesShowsTheirCharacters() {
        QString letters(550, QChar(0x0436));
        WriteBytes(dir_.filePath("u8.txt"), letters.toUtf8());
        Preview(dir_.filePath("u8.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size 1100 bytes"));
        QCOMPARE(Memo1()->toPlainText(), letters);
        WriteBytes(dir_.filePath("b.fb2"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?><FictionBook><body><title><p>"
                   "\xD0\x93\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0</p></title><p>Text.</p></body>"
                   "</FictionBook>");
        Preview(dir_.filePath("b.fb2"));
        QCOMPARE(Memo1()->toPlainText(),
                 QString::fromUtf8(
                     "\xD0\x93\xD0\xBB\xD0\xB0\xD0\xB2\xD0\xB0\nText.\n"));  // each CR is a line of
                                                                             // the edit
        QVERIFY(platform_.errors.isEmpty());
    }

    void previewOfAnEmptyFileIsEmpty() {
        WriteBytes(dir_.filePath("empty.txt"), {});
        Preview(dir_.filePath("empty.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size 0 bytes"));
        QCOMPARE(Memo1()->toPlainText(), QString());
    }

    void previewShowsLinesOfTheText() {
        WriteBytes(dir_.filePath("lines.txt"), "one\r\ntwo");
        Preview(dir_.filePath("lines.txt"));
        QCOMPARE(Memo1()->document()->blockCount(), 2);
        QCOMPARE(Memo1()->document()->firstBlock().text(), QStringLiteral("one"));
    }

    void cancelledSourceChoiceChangesNothing() {
        ShowAndActivate();
        const QString preview = Memo1()->toPlainText();
        QTest::mouseClick(Find<QPushButton>(*window_, "Button4"), Qt::LeftButton);
        QCOMPARE(platform_.fileTitles.size(), 1);
        QCOMPARE(Find<QLineEdit>(*window_, "Edit3")->text(), QStringLiteral("readme.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size"));
        QCOMPARE(Memo1()->toPlainText(), preview);
    }

    void unreadableSourceGoesToTheErrorDisplay() {
        const QString missing = dir_.filePath("missing.txt");
        const QString preview = Memo1()->toPlainText();
        Preview(missing);
        QCOMPARE(Find<QLineEdit>(*window_, "Edit3")->text(), missing);  // already taken
        QCOMPARE(Label7()->text(), QStringLiteral("File size"));
        QCOMPARE(Memo1()->toPlainText(), preview);
        QCOMPARE(platform_.errors.size(), 1);
        // Caption: the program's title; text: the message with the added ".".
        QCOMPARE(platform_.errors[0],
                 "Quorix-maker|Cannot open file " + missing + ": No such file or directory.");
    }

    void typingASourcePathUpdatesNoPreview() {
        const QString preview = Memo1()->toPlainText();
        QTest::keyClicks(Find<QLineEdit>(*window_, "Edit3"), QStringLiteral("x.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size"));
        QCOMPARE(Memo1()->toPlainText(), preview);
    }

    void widthRuleAcceptsOnly11To300_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("10") << "10" << 185;
        QTest::newRow("11") << "11" << 11;
        QTest::newRow("300") << "300" << 300;
        QTest::newRow("301") << "301" << 185;
        QTest::newRow("abc") << "abc" << 185;
        QTest::newRow("empty") << "" << 185;
        QTest::newRow("hexadecimal") << "$20" << 32;
        QTest::newRow("leading blanks") << "  64" << 64;
        QTest::newRow("trailing blank") << "64 " << 185;
        QTest::newRow("negative") << "-100" << 185;
    }
    void widthRuleAcceptsOnly11To300() {
        QFETCH(QString, text);
        QFETCH(int, width);
        QCOMPARE(Memo1()->width(), 185);  // as laid out, although Edit1 shows "128"
        Edit1()->setText(text);
        QCOMPARE(Memo1()->geometry(), QRect(120, 268, width, 65));
    }

    void widthFollowsTypingKeyByKey() {
        Edit1()->setText(QStringLiteral("200"));
        Edit1()->clear();
        QCOMPARE(Memo1()->width(), 200);
        QTest::keyClick(Edit1(), Qt::Key_2);
        QCOMPARE(Memo1()->width(), 200);
        QTest::keyClick(Edit1(), Qt::Key_5);
        QCOMPARE(Memo1()->width(), 25);
        QTest::keyClick(Edit1(), Qt::Key_0);
        QCOMPARE(Memo1()->width(), 250);
        QTest::keyClick(Edit1(), Qt::Key_Backspace);
        QCOMPARE(Memo1()->width(), 25);
    }

    void fontChoiceSetsCharHeightPreviewAndBuildFont() {
        QCOMPARE(Label2()->text(), QStringLiteral("Char height (in pixels): 10"));
        // Cancelled: label, name box and preview font stay.
        const QFont previewFont = Memo1()->font();
        QTest::mouseClick(Find<QPushButton>(*window_, "Button5"), Qt::LeftButton);
        QCOMPARE(Label2()->text(), QStringLiteral("Char height (in pixels): 10"));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit4")->text(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(Memo1()->font(), previewFont);
        QCOMPARE(window_->GatherSettings().font.height, -11);

        QFont chosen(QStringLiteral("DejaVu Serif"));
        chosen.setPixelSize(11);
        chosen.setItalic(true);
        platform_.fontAnswers.push_back(chosen);
        QTest::mouseClick(Find<QPushButton>(*window_, "Button5"), Qt::LeftButton);
        QCOMPARE(Label2()->text(), QStringLiteral("Char height (in pixels): 13"));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit4")->text(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(Memo1()->font(), chosen);
        QCOMPARE(Find<QLineEdit>(*window_, "Edit4")->font(), chosen);
        const TFontDesc font = window_->GatherSettings().font;
        QCOMPARE(font.face, std::string("DejaVu Serif"));
        QCOMPARE(font.height, -11);
        QVERIFY(font.italic && !font.bold);
        QCOMPARE(font.codePage, std::string("CP1251"));

        // The dialog opens at the last confirmed font; a cancel keeps the choice.
        QTest::mouseClick(Find<QPushButton>(*window_, "Button5"), Qt::LeftButton);
        QCOMPARE(platform_.fontDialogStarts.size(), std::size_t{3});
        QCOMPARE(platform_.fontDialogStarts[0].family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(platform_.fontDialogStarts[0].pixelSize(), 11);
        QCOMPARE(platform_.fontDialogStarts[2], chosen);
        QCOMPARE(Label2()->text(), QStringLiteral("Char height (in pixels): 13"));
        QCOMPARE(window_->GatherSettings().font.face, std::string("DejaVu Serif"));
    }

    void twoBuildsLeaveBothLogs() {
        int run = 0;
        platform_.buildBody = [&run](const TBuildJob&, TBuildLog& log, const TAskEntryFailure&) {
            ++run;
            log.Add("Process started at " + std::to_string(run));
            log.Add("Process successfully ended at " + std::to_string(run));
        };
        ShowAndActivate();
        RunBuild();
        RunBuild();
        QCOMPARE(Find<QPlainTextEdit>(*window_, "Memo2")->toPlainText(),
                 QStringLiteral("Process started at 1\nProcess successfully ended at 1\n"
                                "Process started at 2\nProcess successfully ended at 2"));
    }

    void logLinesShowWhileTheBuildRunsAndInputWaits() {
        QSemaphore lineShown;
        QSemaphore mayEnd;
        platform_.buildBody = [&](const TBuildJob&, TBuildLog& log, const TAskEntryFailure&) {
            log.Add("first");
            lineShown.release();
            mayEnd.acquire();
            log.Add("second");
        };
        ShowAndActivate();
        QSignalSpy finished(window_.get(), &TfmMain::BuildFinished);
        QTest::mouseClick(Find<QPushButton>(*window_, "Button1"), Qt::LeftButton);
        auto* memo2 = Find<QPlainTextEdit>(*window_, "Memo2");
        QTRY_COMPARE(memo2->toPlainText(), QStringLiteral("first"));
        QVERIFY(window_->IsBuilding());
        QVERIFY(!Find<QPushButton>(*window_, "Button1")->isEnabled());
        QVERIFY(!Find<QLineEdit>(*window_, "Edit2")->isEnabled());
        QVERIFY(memo2->isReadOnly());
        // A second Start, or a command key, does nothing meanwhile.
        Find<QPushButton>(*window_, "Button1")->click();
        QTest::mouseClick(Find<QPushButton>(*window_, "Button3"), Qt::LeftButton);
        QVERIFY(platform_.messages.isEmpty());
        mayEnd.release();
        QVERIFY(finished.wait(5000));
        QCOMPARE(platform_.builds.size(), std::size_t{1});
        QCOMPARE(memo2->toPlainText(), QStringLiteral("first\nsecond"));
        QVERIFY(Find<QPushButton>(*window_, "Button1")->isEnabled());
        QVERIFY(!memo2->isReadOnly());
    }

    void failingEntryAsksOnTheWindowThread() {
        platform_.entryAnswer = TEntryFailureAnswer::Retry;
        // The builder asks the whole question; the window shows it as it is, ending once.
        platform_.buildBody = [](const TBuildJob&, TBuildLog& log, const TAskEntryFailure& ask) {
            const bool retry =
                ask("Cannot open file book.dat - Native error: 00033. File processing error, "
                    "possibly disk is full") == TEntryFailureAnswer::Retry;
            log.Add(retry ? "retried" : "not retried");
        };
        ShowAndActivate();
        RunBuild();
        QCOMPARE(
            platform_.questions,
            QStringList{"Cannot open file book.dat - Native error: 00033. File processing error, "
                        "possibly disk is full"});
        QCOMPARE(Find<QPlainTextEdit>(*window_, "Memo2")->toPlainText(), QStringLiteral("retried"));
    }

    void aboutShowsTheVersionAndVendor() {
        QTest::mouseClick(Find<QPushButton>(*window_, "Button3"), Qt::LeftButton);
        QCOMPARE(platform_.messages, QStringList{QString::fromUtf8(
                                         "About|Quorix Maker 2.0.0.37\r\n\xC2\xA9 Kelvatrone, "
                                         "2003-2004\r\nsupport@kelvatrone.com\r\n"
                                         "www.kelvatrone.com")});
    }

    void hiddenCommandsAnswerTheirKeys() {
        ShowAndActivate();
        WriteBytes(dir_.filePath("book.class"), "AB");
        WriteBytes(dir_.filePath("a.txt"), "Hello,\r\nworld");
        platform_.fileAnswers = {dir_.filePath("book.class"), dir_.filePath("a.txt")};
        QTest::keyClick(window_.get(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(window_.get(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(platform_.fileTitles, (QStringList{QString(), QString()}));
        QCOMPARE(ReadBytes(dir_.filePath("book.class.imp")),
                 QByteArray("  array [1..2] of byte = (  $41,$42\r\n);\r\n"));
        QCOMPARE(ReadBytes(dir_.filePath("a.txt.txt")), QByteArray("Hello, world"));
        QVERIFY(platform_.errors.isEmpty());
        QVERIFY(platform_.messages.isEmpty());
        QCOMPARE(Find<QPlainTextEdit>(*window_, "Memo2")->toPlainText(), QString());
    }

    void hiddenCommandFailureGoesToTheErrorDisplay() {
        platform_.fileAnswers = {dir_.filePath("nothing.bin")};
        window_->Button2Click();
        QCOMPARE(platform_.errors.size(), 1);
        QVERIFY(platform_.errors[0].startsWith("Quorix-maker|Cannot open file "));
        QVERIFY(!QFile::exists(dir_.filePath("nothing.bin.imp")));
        window_->Button6Click();  // cancelled: nothing happens
        QCOMPARE(platform_.errors.size(), 1);
    }

    void previewIsDrawnInTheBuildFontFromTheStart() {
        // The default face resolves to DejaVu Sans; the preview shows that very file.
        const QString file = QString::fromStdString(LocateFont("DejaVu Sans", false, false).path);
        const QFontInfo shown(Memo1()->font());
        QCOMPARE(shown.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(shown.pixelSize(), 11);
        QVERIFY(!shown.bold() && !shown.italic());
        auto* edit4 = Find<QLineEdit>(*window_, "Edit4");
        QCOMPARE(QFontInfo(edit4->font()).family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(edit4->toolTip(), "Font file: " + file);
        QCOMPARE(window_->GatherSettings().font.face, std::string("MS Sans Serif"));

        QFont serif(QStringLiteral("DejaVu Serif"));
        serif.setPixelSize(12);
        platform_.fontAnswers.push_back(serif);
        window_->Button5Click();
        QVERIFY(edit4->toolTip().endsWith(QStringLiteral("DejaVuSerif.ttf")));
    }

    void aFontTooHighIsRefusedWhenChosen() {
        QFont tall(QStringLiteral("DejaVu Serif"));
        tall.setPixelSize(15);  // 17 rows
        platform_.fontAnswers.push_back(tall);
        window_->Button5Click();
        QCOMPARE(platform_.errors,
                 QStringList{"Quorix-maker|Font too high for the reader: glyph height 17 rows, "
                             "the limit is 16."});
        QCOMPARE(Label2()->text(), QStringLiteral("Char height (in pixels): 10"));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit4")->text(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(window_->GatherSettings().font.height, -11);
        QCOMPARE(QFontInfo(Memo1()->font()).family(), QStringLiteral("DejaVu Sans"));
        // The next dialog opens at the font last taken, not the refused one.
        window_->Button5Click();
        QCOMPARE(platform_.fontDialogStarts.at(1).pixelSize(), 11);
    }

    void focusReturnsToStartAfterABuild() {
        ShowAndActivate();
        auto* memo2 = Find<QPlainTextEdit>(*window_, "Memo2");
        memo2->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), memo2);
        RunBuild();
        QCOMPARE(QApplication::focusWidget(), Find<QWidget>(*window_, "Button1"));
    }

    void openDialogsStartInTheLastFolderUsed() {
        QTemporaryDir other;
        WriteBytes(dir_.filePath("a.txt"), "a");
        WriteBytes(other.filePath("b.bin"), "b");
        platform_.fileAnswers = {dir_.filePath("a.txt"), other.filePath("b.bin"), std::nullopt};
        window_->Button4Click();
        window_->Button2Click();
        window_->Button4Click();
        QCOMPARE(platform_.fileDirectories, (QStringList{QString(), dir_.path(), other.path()}));
    }

    void aDroppedFileIsTheSourceChoice() {
        WriteBytes(dir_.filePath("dropped.txt"), "Dropped text.");
        auto drop = [this](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(200, 120), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(window_.get(), &enter);
            QDropEvent dropped(QPointF(200, 120), Qt::CopyAction, &data, Qt::LeftButton,
                               Qt::NoModifier);
            QCoreApplication::sendEvent(window_.get(), &dropped);
            return enter.isAccepted();
        };
        // Two files, or something not a local file, are not a source.
        QVERIFY(!drop({QUrl::fromLocalFile(dir_.filePath("dropped.txt")),
                       QUrl::fromLocalFile(dir_.filePath("x.txt"))}));
        QVERIFY(!drop({QUrl(QStringLiteral("https://example.com/a.txt"))}));
        QCOMPARE(Label7()->text(), QStringLiteral("File size"));

        QVERIFY(drop({QUrl::fromLocalFile(dir_.filePath("dropped.txt"))}));
        QCOMPARE(Find<QLineEdit>(*window_, "Edit3")->text(), dir_.filePath("dropped.txt"));
        QCOMPARE(Label7()->text(), QStringLiteral("File size 13 bytes"));
        QCOMPARE(Memo1()->toPlainText(), QStringLiteral("Dropped text."));
        // Whatever control lies under the pointer, the window takes the drop.
        for (auto* child : window_->findChildren<QWidget*>()) {
            QVERIFY2(!child->acceptDrops(), qPrintable(child->objectName()));
        }
    }

    void titleShowsThePartWhileBuilding() {
        QSemaphore titled, mayEnd;
        platform_.buildBody = [&](const TBuildJob& job, TBuildLog&, const TAskEntryFailure&) {
            job.partStarted(2, 3);
            titled.release();
            mayEnd.acquire();
        };
        ShowAndActivate();
        QSignalSpy finished(window_.get(), &TfmMain::BuildFinished);
        window_->Button1Click();
        QTRY_COMPARE(window_->windowTitle(), QStringLiteral("Quorix Maker 2.0 - part 2 of 3"));
        mayEnd.release();
        QVERIFY(finished.wait(5000));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Quorix Maker 2.0"));
    }

    void closingDuringABuildAsksAndStopsIt() {
        QSemaphore started;
        platform_.buildBody = [&](const TBuildJob& job, TBuildLog& log, const TAskEntryFailure&) {
            started.release();
            QElapsedTimer waited;
            waited.start();
            while (!job.stopRequested() && waited.elapsed() < 10000) QThread::msleep(5);
            log.Add(job.stopRequested() ? "stopped" : "not stopped");
        };
        platform_.stopAnswers = {false, true};
        ShowAndActivate();
        QSignalSpy finished(window_.get(), &TfmMain::BuildFinished);
        window_->Button1Click();
        QVERIFY(started.tryAcquire(1, 5000));
        // "No": the build goes on and the window stays.
        QVERIFY(!window_->close());
        QCOMPARE(platform_.stopQuestions, 1);
        QTest::qWait(50);
        QVERIFY(window_->IsBuilding());
        QVERIFY(window_->isVisible());
        // "Yes": the build stops, then the window closes.
        window_->close();
        QCOMPARE(platform_.stopQuestions, 2);
        QVERIFY(finished.wait(5000));
        QCOMPARE(Find<QPlainTextEdit>(*window_, "Memo2")->toPlainText(), QStringLiteral("stopped"));
        QTRY_VERIFY(!window_->isVisible());
        // Without a build, closing asks nothing.
        ShowAndActivate();
        QVERIFY(window_->close());
        QCOMPARE(platform_.stopQuestions, 2);
    }

    void optionsLastForTheSessionAndReachTheBuild() {
        ShowAndActivate();
        TWindowOptions chosen;
        chosen.outputFolder = dir_.path();
        chosen.sourceEncoding = QStringLiteral("KOI8-R");
        chosen.joinLines = true;
        chosen.maxJarSize = QStringLiteral("64K");
        chosen.strongestCompression = true;
        platform_.optionAnswers = {chosen, std::nullopt};
        QTest::keyClick(window_.get(), Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(window_->Options().outputFolder, dir_.path());
        window_->ShowOptions();  // cancelled: the choice stays
        QCOMPARE(window_->Options().outputFolder, dir_.path());
        QCOMPARE(platform_.optionsWithPreview, 2);
        RunBuild();
        QCOMPARE(platform_.outputFolders.at(0), std::filesystem::path(dir_.path().toStdString()));
        QCOMPARE(platform_.builds.at(0).sourceEncoding, std::string("KOI8-R"));
        QVERIFY(platform_.builds.at(0).joinLines);
        QCOMPARE(platform_.builds.at(0).maxJarSizeText, std::string("64K"));
        QVERIFY(platform_.compressions.at(0) == TCompression::max);
        // The fixed layout's inputs are untouched by the options.
        QCOMPARE(platform_.builds.at(0).sourcePath, std::string("readme.txt"));

        // The context menu offers the same dialog.
        QCOMPARE(window_->contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction* options = window_->findChild<QAction*>(QStringLiteral("OptionsAction"));
        QVERIFY(options != nullptr && window_->actions().contains(options));
        QCOMPARE(options->text(), QStringLiteral("Options..."));
        QCOMPARE(options->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        chosen.outputFolder = QStringLiteral("/elsewhere");
        platform_.optionAnswers = {chosen};
        options->trigger();
        QCOMPARE(window_->Options().outputFolder, QStringLiteral("/elsewhere"));
    }
};

QTEST_MAIN(FmMainTest)
#include "fm_main_test.moc"
