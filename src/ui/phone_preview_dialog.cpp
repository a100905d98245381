// phone_preview_dialog.cpp - screen size, document, word wrap, zoom and paging over the renderer.
#include "ui/phone_preview_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

#include "preview/screen_sizes.h"

namespace quorix {

namespace {

constexpr int kDefaultScreen = 2;  // 176x208 in the list of common screens
constexpr int kDefaultZoom = 2;

QString ScreenText(preview::TScreen screen) {
    return QStringLiteral("%1x%2").arg(screen.width).arg(screen.height);
}

}  // namespace

QImage PageToImage(const preview::TPageImage& page) {
    QImage image(page.Width(), page.Height(), QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const preview::TRgb& c : preview::kPalette) {
        colours.append(qRgb(c.r, c.g, c.b));
    }
    image.setColorTable(colours);
    for (int y = 0; y < page.Height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < page.Width(); ++x) {
            row[x] = static_cast<uchar>(page.At(x, y));
        }
    }
    return image;
}

TPhonePreviewDialog::TPhonePreviewDialog(const QString& jar, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Phone preview - %1").arg(jar));
    CreateControls();
    try {
        files_ = preview::ReadBookFiles(QFile::encodeName(jar).toStdString());
    } catch (const std::exception& e) {
        picture_->setText(QString::fromStdString(e.what()));
    }
    Reload();
}

TPhonePreviewDialog::~TPhonePreviewDialog() = default;

void TPhonePreviewDialog::CreateControls() {
    screen_ = new QComboBox(this);
    screen_->setObjectName("screen");
    for (const preview::TNamedScreen& named : preview::kCommonScreens) {
        screen_->addItem(ScreenText(named.screen));
        screen_->setItemData(screen_->count() - 1,
                             QString::fromUtf8(named.phones.data(), named.phones.size()),
                             Qt::ToolTipRole);
    }
    screen_->addItem(QStringLiteral("176x144"));
    screen_->setEditable(true);  // any other size, typed as WIDTHxHEIGHT
    screen_->setCurrentIndex(kDefaultScreen);
    document_ = new QComboBox(this);
    document_->setObjectName("document");
    document_->addItems({tr("Book"), tr("Help")});
    wordWrap_ = new QCheckBox(tr("Word wrap"), this);
    wordWrap_->setObjectName("wordWrap");
    wordWrap_->setChecked(true);
    zoom_ = new QSpinBox(this);
    zoom_->setObjectName("zoom");
    zoom_->setRange(1, 6);
    zoom_->setValue(kDefaultZoom);
    zoom_->setSuffix(QStringLiteral("x"));
    previous_ = new QPushButton(tr("Page up"), this);
    next_ = new QPushButton(tr("Page down"), this);
    counter_ = new QLabel(this);
    counter_->setObjectName("counter");
    picture_ = new QLabel(this);
    picture_->setObjectName("picture");
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumSize(176, 208);

    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(tr("Screen"), this));
    options->addWidget(screen_);
    options->addWidget(document_);
    options->addWidget(wordWrap_);
    options->addWidget(new QLabel(tr("Zoom"), this));
    options->addWidget(zoom_);
    auto* paging = new QHBoxLayout;
    paging->addWidget(previous_);
    paging->addWidget(counter_, 1, Qt::AlignCenter);
    paging->addWidget(next_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(picture_, 1);
    layout->addLayout(paging);

    connect(screen_, &QComboBox::currentTextChanged, this, &TPhonePreviewDialog::Reload);
    connect(document_, &QComboBox::currentIndexChanged, this, &TPhonePreviewDialog::Reload);
    connect(wordWrap_, &QCheckBox::toggled, this, &TPhonePreviewDialog::Reload);
    connect(zoom_, &QSpinBox::valueChanged, this, &TPhonePreviewDialog::ShowPage);
    connect(previous_, &QPushButton::clicked, this, &TPhonePreviewDialog::PreviousPage);
    connect(next_, &QPushButton::clicked, this, &TPhonePreviewDialog::NextPage);
}

void TPhonePreviewDialog::Reload() {
    pages_.reset();
    page_ = 0;
    const std::optional<preview::TScreen> screen =
        preview::ParseScreen(screen_->currentText().toStdString());
    if (files_ && screen) {
        const auto document = document_->currentIndex() == 1 ? preview::TDocumentKind::Help
                                                             : preview::TDocumentKind::Book;
        pages_ = std::make_unique<preview::TBookPreview>(*files_, document, *screen,
                                                         wordWrap_->isChecked());
    } else if (files_) {
        picture_->setPixmap(QPixmap());
        picture_->setText(tr("Type the screen as WIDTHxHEIGHT, for example 176x208"));
    }
    ShowPage();
}

void TPhonePreviewDialog::ShowPage() {
    previous_->setEnabled(pages_ && page_ > 0);
    next_->setEnabled(pages_ && page_ + 1 < PageCount());
    if (!pages_) {
        counter_->clear();
        return;
    }
    counter_->setText(tr("Page %1 of %2").arg(page_ + 1).arg(PageCount()));
    // An integer zoom without smoothing keeps every phone pixel a sharp square.
    const int zoom = zoom_->value();
    const QImage image = PageToImage(pages_->Page(page_));
    picture_->setPixmap(
        QPixmap::fromImage(image.scaled(image.width() * zoom, image.height() * zoom,
                                        Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

void TPhonePreviewDialog::NextPage() {
    if (pages_ && page_ + 1 < PageCount()) {
        ++page_;
        ShowPage();
    }
}

void TPhonePreviewDialog::PreviousPage() {
    if (pages_ && page_ > 0) {
        --page_;
        ShowPage();
    }
}

void TPhonePreviewDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown:
            NextPage();
            return;
        case Qt::Key_PageUp:
            PreviousPage();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace quorix
