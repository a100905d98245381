// options_dialog.cpp - the Options dialog's form.
#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace quorix {

TOptionsDialog::TOptionsDialog(const TWindowOptions& current, QWidget* parent,
                               std::function<void(QWidget* over)> openPreview,
                               std::function<void(QWidget* over)> sendToPhone)
    : QDialog(parent) {
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("Options"));
    auto* form = new QFormLayout;

    outputFolder_ = new QLineEdit(current.outputFolder, this);
    outputFolder_->setObjectName(QStringLiteral("OutputFolder"));
    outputFolder_->setPlaceholderText(QStringLiteral("beside the program, or in Documents"));
    outputFolder_->setMinimumWidth(260);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("OutputFolderButton"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &TOptionsDialog::ChooseOutputFolder);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(outputFolder_);
    folderRow->addWidget(browse);
    form->addRow(QStringLiteral("Output folder (midlets is made in it)"), folderRow);

    sourceEncoding_ = new QComboBox(this);
    sourceEncoding_->setObjectName(QStringLiteral("SourceEncoding"));
    sourceEncoding_->setEditable(true);  // any iconv name besides the two rules
    sourceEncoding_->addItems({QStringLiteral("auto"), QStringLiteral("detect")});
    sourceEncoding_->setCurrentText(current.sourceEncoding);
    form->addRow(QStringLiteral("Source encoding (auto, detect or a name)"), sourceEncoding_);

    joinLines_ = new QCheckBox(QStringLiteral("Join hard-wrapped lines"), this);
    joinLines_->setObjectName(QStringLiteral("JoinLines"));
    joinLines_->setChecked(current.joinLines);
    form->addRow(QString(), joinLines_);

    maxJarSize_ = new QLineEdit(current.maxJarSize, this);
    maxJarSize_->setObjectName(QStringLiteral("MaxJarSize"));
    maxJarSize_->setPlaceholderText(QStringLiteral("no limit (for example 64K)"));
    form->addRow(QStringLiteral("Max JAR size (bytes, or K)"), maxJarSize_);

    strongestCompression_ =
        new QCheckBox(QStringLiteral("Smallest JARs (slower compression)"), this);
    strongestCompression_->setObjectName(QStringLiteral("StrongestCompression"));
    strongestCompression_->setChecked(current.strongestCompression);
    form->addRow(QString(), strongestCompression_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (openPreview) {
        QPushButton* preview =
            buttons->addButton(QStringLiteral("Phone preview..."), QDialogButtonBox::ActionRole);
        preview->setObjectName(QStringLiteral("PhonePreviewButton"));
        preview->setAutoDefault(false);
        connect(preview, &QPushButton::clicked, this,
                [this, openPreview = std::move(openPreview)] { openPreview(this); });
    }
    if (sendToPhone) {
        QPushButton* send =
            buttons->addButton(QStringLiteral("Send to phone..."), QDialogButtonBox::ActionRole);
        send->setObjectName(QStringLiteral("SendToPhoneButton"));
        send->setAutoDefault(false);
        connect(send, &QPushButton::clicked, this,
                [this, sendToPhone = std::move(sendToPhone)] { sendToPhone(this); });
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TWindowOptions TOptionsDialog::Options() const {
    TWindowOptions options;
    options.outputFolder = outputFolder_->text().trimmed();
    options.sourceEncoding = sourceEncoding_->currentText().trimmed();
    if (options.sourceEncoding.isEmpty()) options.sourceEncoding = QStringLiteral("auto");
    options.joinLines = joinLines_->isChecked();
    options.maxJarSize = maxJarSize_->text().trimmed();
    options.strongestCompression = strongestCompression_->isChecked();
    return options;
}

void TOptionsDialog::ChooseOutputFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Output folder"),
                                                             outputFolder_->text());
    if (!folder.isEmpty()) {
        outputFolder_->setText(folder);
    }
}

}  // namespace quorix
