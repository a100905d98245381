// fm_main.cpp - the main window: fixed layout, activation defaults and handlers.
#include "ui/fm_main.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>
#include <QWindow>
#include <exception>
#include <string>
#include <utility>

#include "book/code_page.h"
#include "book/int_conversion.h"
#include "text/text_source.h"
#include "tools/hex_listing.h"
#include "tools/line_joiner.h"
#include "tools/tool_files.h"
#include "ui/build_runner.h"
#include "ui/phone_preview_hook.h"
#include "ui/send_to_phone_dialog.h"
#include "ui/window_texts.h"
#include "ui/work_place.h"

#ifndef QUORIX_FILE_VERSION
#define QUORIX_FILE_VERSION ""
#endif

namespace quorix {
namespace {

constexpr int kClientWidth = 404;
constexpr int kClientHeight = 464;

// A source above this size previews only kShortPreviewBytes from its start.
constexpr std::uint64_t kWholePreviewLimit = 1000;
constexpr std::size_t kShortPreviewBytes = 100;

// The preview width accepted from Edit1, in pixels.
constexpr int kMinPreviewWidth = 11;
constexpr int kMaxPreviewWidth = 300;

constexpr const char* kPreviewText =
    "The program Quorix Maker is \n"
    "intended for creation of electronic \n"
    "books Quorix. Quorix is the program \n"
    "(midlet) loaded in a cellular telephone, \n"
    "supporting \n"
    "java. In the program Quorix it is \n"
    "included: a font for the display, the \n"
    "compressed text of the book, the \n"
    "instruction and an executed file.";

template <class W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// The controls' face is chosen so that every caption fits its laid-out width.
QLabel* AddLabel(QWidget* owner, const char* name, const char* text, int left, int top, int width) {
    return Place(new QLabel(QString::fromLatin1(text), owner), name, left, top, width, 13);
}

QPushButton* AddButton(QWidget* owner, const char* name, const char* text, int left, int top,
                       int width, int height) {
    auto* button =
        Place(new QPushButton(QString::fromLatin1(text), owner), name, left, top, width, height);
    button->setAutoDefault(false);
    return button;
}

// Grows a label to its text, as a label sized to its caption does; the height stays.
void FitLabel(QLabel* label, const QString& text) {
    label->setText(text);
    label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
}

std::filesystem::path LocalPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The one local file a drag carries, or an empty text.
QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return QString();
    }
    const QUrl url = data->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

TfmMain::TfmMain(TWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      services_(std::move(services)) {
    setObjectName(QStringLiteral("fmMain"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    // In device-independent pixels: Qt scales the whole window on high-DPI screens.
    setFixedSize(kClientWidth, kClientHeight);
    move(192, 107);
    fontDialogFont_ = QFontFromFontDesc(buildFont_);
    setFont(ControlsFont());
    setAcceptDrops(true);

    CreateControls();
    ConnectHandlers();
    const TScreenFont screenFont = ScreenFontFor(buildFont_);
    ApplyBuildFont(buildFont_, screenFont.font, screenFont.file);
    // A file dropped anywhere on the window is the source; no control takes it as text.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAcceptDrops(false);
    }
}

TfmMain::~TfmMain() = default;

void TfmMain::CreateControls() {
    // The bevels come first so that every control lies above them.
    const int bevels[][2] = {{4, 85}, {92, 89}, {184, 61}, {248, 113}, {364, 97}};
    for (int i = 0; i < 5; ++i) {
        auto* bevel = new QFrame(this);
        bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
        Place(bevel, ("Bevel" + std::to_string(i + 1)).c_str(), 4, bevels[i][0], 397, bevels[i][1]);
    }

    AddLabel(this, "Label8", "Book name (midlet name)", 8, 8, 119);
    Edit2 = Place(new QLineEdit(this), "Edit2", 16, 24, 129, 21);
    AddLabel(this, "Label11", "Help file language", 188, 8, 85);
    ComboBox2 = Place(new QComboBox(this), "ComboBox2", 188, 24, 209, 21);
    ComboBox2->addItems({QStringLiteral("Russian"), QStringLiteral("English")});
    ComboBox2->setCurrentIndex(-1);
    AddLabel(this, "Label5", "Information about book, author etc.", 8, 48, 166);
    Edit6 = Place(new QLineEdit(this), "Edit6", 16, 64, 381, 21);

    AddLabel(this, "Label9", "Source text file", 8, 96, 70);
    Edit3 = Place(new QLineEdit(this), "Edit3", 16, 112, 357, 21);
    Button4 = AddButton(this, "Button4", "...", 376, 112, 21, 21);
    Label7 = AddLabel(this, "Label7", "File size", 16, 136, 37);
    CheckBox1 = Place(new QCheckBox(QStringLiteral("Remove redundancy chararcters (space)"), this),
                      "CheckBox1", 176, 136, 221, 17);
    CheckBox1->setLayoutDirection(Qt::RightToLeft);  // caption left of the box
    CheckBox1->setEnabled(false);
    AddLabel(this, "Label3", "Max size of text part (in bytes)", 16, 160, 139);
    Edit5 = Place(new QLineEdit(QStringLiteral("90000"), this), "Edit5", 164, 156, 69, 21);

    AddLabel(this, "Label10", "Font", 8, 188, 21);
    Edit4 = Place(new QLineEdit(QString::fromStdString(buildFont_.face), this), "Edit4", 16, 204,
                  357, 21);
    Edit4->setReadOnly(true);
    Button5 = AddButton(this, "Button5", "...", 376, 204, 21, 21);
    Label2 = AddLabel(this, "Label2", "Char height (in pixels): 10", 16, 228, 118);

    AddLabel(this, "Label1", "Phone screen preview (approximate)", 8, 252, 172);
    AddLabel(this, "Label4", "Screen width", 16, 268, 62);
    Edit1 = Place(new QLineEdit(QStringLiteral("128"), this), "Edit1", 16, 284, 49, 21);
    Memo1 = Place(new QPlainTextEdit(QString::fromLatin1(kPreviewText), this), "Memo1", 120, 268,
                  185, 65);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setTabChangesFocus(true);
    AddLabel(this, "Label6", "Phone type", 8, 340, 54);
    ComboBox1 = Place(new QComboBox(this), "ComboBox1", 72, 336, 325, 21);
    ComboBox1->addItems({QStringLiteral("All phones (standart screen size)"),
                         QStringLiteral("Only Nokia phones (full screen)")});
    ComboBox1->setCurrentIndex(-1);

    Memo2 = Place(new QPlainTextEdit(this), "Memo2", 8, 368, 389, 61);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setTabChangesFocus(true);
    Button1 = AddButton(this, "Button1", "Start", 8, 432, 75, 25);
    Button2 = AddButton(this, "Button2", "Hex", 88, 432, 75, 25);
    Button2->setVisible(false);
    Button6 = AddButton(this, "Button6", "Text", 168, 432, 75, 25);
    Button6->setVisible(false);
    Button3 = AddButton(this, "Button3", "About", 320, 432, 75, 25);

    QWidget* const tabOrder[] = {Edit2, Edit3,   Button4, CheckBox1, Edit4,     Button5,
                                 Memo1, Edit1,   Edit5,   Edit6,     ComboBox1, Button1,
                                 Memo2, Button2, Button3, Button6,   ComboBox2};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void TfmMain::ConnectHandlers() {
    connect(Button4, &QPushButton::clicked, this, &TfmMain::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TfmMain::Button5Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TfmMain::Edit1Change);
    connect(Button1, &QPushButton::clicked, this, &TfmMain::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TfmMain::Button3Click);
    connect(Button2, &QPushButton::clicked, this, &TfmMain::Button2Click);
    connect(Button6, &QPushButton::clicked, this, &TfmMain::Button6Click);
    // The developer commands' buttons stay hidden; their keys reach them.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), this),
            &QShortcut::activated, this, &TfmMain::Button2Click);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), this),
            &QShortcut::activated, this, &TfmMain::Button6Click);
    // The window's context menu lists its actions; Options is one, with its key.
    auto* options = new QAction(QStringLiteral("Options..."), this);
    options->setObjectName(QStringLiteral("OptionsAction"));
    options->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(options, &QAction::triggered, this, &TfmMain::ShowOptions);
    addAction(options);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* send = new QAction(QStringLiteral("Send to phone..."), this);
    send->setObjectName(QStringLiteral("SendToPhoneAction"));
    connect(send, &QAction::triggered, this, [this] { SendToPhone(); });
    addAction(send);

    runner_ = new TBuildRunner(
        services_.runBuild,
        // The builder's question is whole already.
        [this](const QString& question) { return services_.askEntryFailure(this, question); },
        this);
    connect(runner_, &TBuildRunner::LineAdded, this, &TfmMain::AppendLogLine);
    previewHook_ = new TPhonePreviewHook(this, runner_);
    connect(runner_, &TBuildRunner::PartStarted, this,
            [this](quint64 part, quint64 parts) { setWindowTitle(BuildingTitle(part, parts)); });
    connect(runner_, &TBuildRunner::Finished, this, &TfmMain::OnBuildFinished);
}

void TfmMain::OnBuildFinished() {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    SetInputsEnabled(true);
    // Typing after a build goes to Start, not into the log.
    Button1->setFocus(Qt::OtherFocusReason);
    emit BuildFinished();
    if (closeAfterBuild_) {
        closeAfterBuild_ = false;
        close();
    }
}

void TfmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        // The window manager activates a window it has framed; the frame may be known
        // only now, with no move to tell.
        PlaceOnItsFrame();
        if (isActiveWindow() && !activated_) {
            activated_ = true;
            FormActivate();
        }
    }
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // A running build is stopped first, if the user wants; the window closes once it ends.
    if (IsBuilding()) {
        event->ignore();
        if (!closeAfterBuild_ && services_.askStopBuild && services_.askStopBuild(this)) {
            closeAfterBuild_ = true;
            runner_->RequestStop();
        }
        return;
    }
    QWidget::closeEvent(event);
}

void TfmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        KeepOnScreen();
    }
}

void TfmMain::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    PlaceOnItsFrame();
}

// Once the window manager has framed the window, its real frame is known. A new frame
// size (the decoration changed) places the window again; a move by the user keeps the
// size, and the window stays where it was put.
void TfmMain::PlaceOnItsFrame() {
    const QSize frame = FrameNow().size();
    if (placed_ && frame.height() > height() && frame != placedFrame_) {
        placedFrame_ = frame;
        KeepOnScreen();
    }
}

// The widget keeps the frame it read at its last move, which can come before the window
// manager's frame does; the native window asks for the frame anew.
QRect TfmMain::FrameNow() const {
    const QWindow* handle = windowHandle();
    return handle != nullptr ? handle->frameGeometry() : frameGeometry();
}

// The laid-out position suits a 96-dpi screen; scaled up on a small one, the window's
// bottom would fall below it. Moved up and left just enough, never off the top left.
void TfmMain::KeepOnScreen() {
    QWindow* handle = windowHandle();
    const QScreen* screen = this->screen();
    if (handle == nullptr || screen == nullptr) {
        return;
    }
    const QRect available = screen->availableGeometry();
    QRect frame = handle->frameGeometry();
    if (frame.height() <= height()) {
        // Not framed yet: allow for a title bar and borders.
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
        const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        frame = handle->geometry().adjusted(-border, -titleBar - border, border, border);
    }
    // where the frame position asked for lies from the frame's top left
    const QPoint inset = handle->framePosition() - frame.topLeft();
    QPoint to = frame.topLeft();
    to.setX(std::max(available.left(),
                     std::min(to.x(), available.left() + available.width() - frame.width())));
    to.setY(std::max(available.top(),
                     std::min(to.y(), available.top() + available.height() - frame.height())));
    if (to != frame.topLeft()) {
        handle->setFramePosition(to + inset);
    }
}

void TfmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!IsBuilding() && !DraggedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TfmMain::dropEvent(QDropEvent* event) {
    const QString file = DraggedFile(event->mimeData());
    if (file.isEmpty() || IsBuilding()) {
        return;
    }
    event->acceptProposedAction();
    RunCommand([this, file] { ChooseSource(file); });
}

void TfmMain::ShowOptions() {
    RunCommand([this] {
        if (!services_.editOptions) {
            return;
        }
        const auto openPreview = [this](QWidget* over) { previewHook_->OpenPreviewOver(over); };
        const auto sendToPhone = [this](QWidget* over) { SendToPhone(over); };
        if (const auto chosen = services_.editOptions(this, options_, openPreview, sendToPhone)) {
            options_ = *chosen;
        }
    });
}

void TfmMain::SendToPhone(QWidget* over) {
    RunCommand([this, over] {
        auto* dialog = new TSendToPhoneDialog(MidletsDirectory(), over ? over : this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        if (over) {
            dialog->exec();
        } else {
            dialog->show();
        }
    });
}

QString TfmMain::MidletsDirectory() const {
    const QString folder = options_.outputFolder;
    if (!folder.isEmpty()) return QDir(folder).absoluteFilePath(QStringLiteral("midlets"));
    const std::filesystem::path parent = MidletsParentFor(
        LocalPath(QFileInfo(services_.programPath).absolutePath()),
        LocalPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
    return QFile::decodeName((parent / "midlets").c_str());
}

void TfmMain::FormActivate() {
    ComboBox1->setCurrentIndex(1);
    ComboBox2->setCurrentIndex(0);
    Edit2->setText(QStringLiteral("ReadMe"));
    Edit6->setText(QStringLiteral("\u00A9 Kelvatrone, 2003-2004"));
    Edit3->setText(QStringLiteral("readme.txt"));
}

template <class F>
void TfmMain::RunCommand(F&& command) {
    if (IsBuilding()) {
        return;
    }
    try {
        command();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

void TfmMain::ShowError(const QString& message) {
    services_.showError(this, ProgramTitle(services_.programPath), ErrorDisplayText(message));
}

std::optional<QString> TfmMain::AskForFile(const QString& title) {
    auto chosen = services_.openFile(this, title, lastFolder_);
    if (chosen) {
        lastFolder_ = QFileInfo(*chosen).absolutePath();
    }
    return chosen;
}

void TfmMain::Button4Click() {
    RunCommand([this] {
        const auto chosen = AskForFile(QStringLiteral("Select source text file"));
        if (chosen) {
            ChooseSource(*chosen);
        }
    });
}

void TfmMain::ChooseSource(const QString& path) {
    lastFolder_ = QFileInfo(path).absolutePath();
    Edit3->setText(path);
    TToolFile source = TToolFile::OpenForReading(LocalPath(Edit3->text()));
    const std::uint64_t size = source.Size();
    FitLabel(Label7, QStringLiteral("File size %1 bytes").arg(size));
    // The text as a build reads it: UTF-8, FB2 and EPUB sources converted, others as they are.
    TTextOptions reading;
    reading.codePage = buildFont_.codePage;
    std::string bytes =
        ConvertedTextStart(LocalPath(Edit3->text()), reading, kWholePreviewLimit + 1);
    if (bytes.size() > kWholePreviewLimit) bytes.resize(kShortPreviewBytes);
    // The edit breaks lines at LF; a CR LF of the text is one line break.
    QString text = QString::fromStdString(CodePageToUtf8(bytes, buildFont_.codePage));
    Memo1->setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfmMain::Button5Click() {
    RunCommand([this] {
        const auto chosen = services_.chooseFont(this, fontDialogFont_);
        if (!chosen) {
            return;
        }
        TFontDesc font = FontDescFromQFont(*chosen, logicalDpiY());
        font.codePage = buildFont_.codePage;
        // Refused at once, with the reader's limit, rather than at Start.
        CheckFontForReader(font);
        fontDialogFont_ = *chosen;
        ApplyBuildFont(font, *chosen, FontFileFor(font));
        Edit4->setText(chosen->family());
        FitLabel(Label2, CharHeightCaption(buildFont_.height));
    });
}

// The preview and the name box show the build's font; the name box's tip names its file.
void TfmMain::ApplyBuildFont(const TFontDesc& font, const QFont& shown, const QString& file) {
    buildFont_ = font;
    Memo1->setFont(shown);
    Edit4->setFont(shown);
    Edit4->setToolTip(file.isEmpty() ? QString() : QStringLiteral("Font file: ") + file);
}

void TfmMain::Edit1Change() {
    // Anything outside the range is ignored without a word: the user is still typing.
    const auto width = TryStrToInt(Edit1->text().toStdString());
    if (width && *width >= kMinPreviewWidth && *width <= kMaxPreviewWidth) {
        Memo1->resize(*width, Memo1->height());
    }
}

TBuildSettings TfmMain::GatherSettings() const {
    TBuildSettings settings;
    settings.bookName = Edit2->text().toStdString();
    settings.infoText = Edit6->text().toStdString();
    settings.sourcePath = Edit3->text().toStdString();
    settings.font = buildFont_;
    settings.partSizeText = Edit5->text().toStdString();
    settings.phoneType = static_cast<PhoneType>(ComboBox1->currentIndex());
    settings.helpLanguage = ComboBox2->currentIndex();
    return settings;
}

bool TfmMain::IsBuilding() const {
    return runner_->IsRunning();
}

void TfmMain::Button1Click() {
    RunCommand([this] {
        TBuildJob job;
        job.settings = GatherSettings();
        job.outputFolder = LocalPath(options_.outputFolder);
        job.settings.sourceEncoding = options_.sourceEncoding.trimmed().toStdString();
        job.settings.joinLines = options_.joinLines;
        job.settings.maxJarSizeText = options_.maxJarSize.trimmed().toStdString();
        job.compression =
            options_.strongestCompression ? TCompression::max : TCompression::standard;
        SetInputsEnabled(false);
        runner_->Start(std::move(job));
    });
}

void TfmMain::AppendLogLine(const QString& line) {
    Memo2->appendPlainText(line);
    Memo2->repaint();
}

void TfmMain::SetInputsEnabled(bool enabled) {
    for (QWidget* input : std::initializer_list<QWidget*>{Edit2, ComboBox2, Edit6, Edit3, Button4,
                                                          Edit5, Button5, Edit1, Memo1, ComboBox1,
                                                          Button1, Button2, Button6, Button3}) {
        input->setEnabled(enabled);
    }
    // The log stays readable and scrollable, but takes no typing meanwhile.
    Memo2->setReadOnly(!enabled);
}

void TfmMain::Button3Click() {
    RunCommand([this] {
        services_.showInformation(this, QStringLiteral("About"),
                                  AboutText(QStringLiteral(QUORIX_FILE_VERSION)));
    });
}

void TfmMain::RunDeveloperCommand(void (*command)(const std::filesystem::path&)) {
    RunCommand([this, command] {
        const auto chosen = AskForFile(QString());
        if (chosen) {
            command(LocalPath(*chosen));
        }
    });
}

void TfmMain::Button2Click() {
    RunDeveloperCommand(&WriteHexListing);
}

void TfmMain::Button6Click() {
    RunDeveloperCommand(&WriteJoinedLines);
}

}  // namespace quorix
