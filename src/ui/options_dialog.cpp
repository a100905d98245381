// options_dialog.cpp - the Options dialog's form.
#include "ui/options_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace quorix {

TOptionsDialog::TOptionsDialog(const TWindowOptions& current, QWidget* parent) : QDialog(parent) {
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

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TWindowOptions TOptionsDialog::Options() const {
    TWindowOptions options;
    options.outputFolder = outputFolder_->text().trimmed();
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
