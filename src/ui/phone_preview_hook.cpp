// phone_preview_hook.cpp - the context-menu entry and the offer at the end of a build.
#include "ui/phone_preview_hook.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QWidget>
#include <utility>

#include "ui/build_runner.h"
#include "ui/phone_preview_dialog.h"

namespace quorix {

namespace {

// The JAD's log line names the part's full path; its JAR lies beside it.
const QRegularExpression kJadLine(QStringLiteral("^Create file (.+)\\.jad, size \\d+ bytes$"));
const QString kSuccessLine = QStringLiteral("Process successfully ended at ");

}  // namespace

TPhonePreviewHook::TPhonePreviewHook(QWidget* window, TBuildRunner* runner)
    : QObject(window), window_(window) {
    auto* action = new QAction(tr("Phone preview..."), window);
    action->setObjectName("phonePreview");
    window->addAction(action);
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(action, &QAction::triggered, this, &TPhonePreviewHook::OpenPreview);
    connect(runner, &TBuildRunner::LineAdded, this, &TPhonePreviewHook::NoteLine);
    connect(runner, &TBuildRunner::Finished, this, &TPhonePreviewHook::BuildEnded);
}

void TPhonePreviewHook::NoteLine(const QString& line) {
    const QRegularExpressionMatch jad = kJadLine.match(line);
    if (jad.hasMatch()) {
        buildJar_ = jad.captured(1) + QStringLiteral(".jar");
    }
    lastLine_ = line;
}

void TPhonePreviewHook::BuildEnded() {
    const bool succeeded = lastLine_.startsWith(kSuccessLine) && QFileInfo::exists(buildJar_);
    lastLine_.clear();
    if (!succeeded) {
        buildJar_.clear();
        return;
    }
    lastJar_ = std::exchange(buildJar_, QString());
    auto* offer =
        new QMessageBox(QMessageBox::Question, tr("Phone preview"),
                        tr("Show %1 as the phone shows it?").arg(QFileInfo(lastJar_).fileName()),
                        QMessageBox::Yes | QMessageBox::No, window_);
    offer->setObjectName("phonePreviewOffer");
    offer->setAttribute(Qt::WA_DeleteOnClose);
    connect(offer, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes) {
            OpenPreview();
        }
    });
    offer->open();  // not modal to the build's end: the window stays usable
}

QString TPhonePreviewHook::JarToShow(QWidget* owner) const {
    if (!lastJar_.isEmpty()) {
        return lastJar_;
    }
    return QFileDialog::getOpenFileName(owner, tr("Phone preview"), QString(),
                                        tr("Midlets (*.jar)"));
}

void TPhonePreviewHook::OpenPreview() {
    const QString jar = JarToShow(window_);
    if (jar.isEmpty()) {
        return;
    }
    auto* dialog = new TPhonePreviewDialog(jar, window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void TPhonePreviewHook::OpenPreviewOver(QWidget* over) {
    const QString jar = JarToShow(over);
    if (jar.isEmpty()) {
        return;
    }
    TPhonePreviewDialog dialog(jar, over);
    dialog.exec();
}

}  // namespace quorix
