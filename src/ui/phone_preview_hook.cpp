// phone_preview_hook.cpp - the context-menu entry and Ctrl+P: the phone preview of the last part.
#include "ui/phone_preview_hook.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
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
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    action->setShortcutContext(Qt::WindowShortcut);
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
    // A build ends without a message: the preview waits for the menu entry or Ctrl+P.
    lastJar_ = std::exchange(buildJar_, QString());
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
