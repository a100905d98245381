// window_services.cpp - the platform's real dialogs and message boxes.
#include "ui/window_services.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

#include "ui/options_dialog.h"
#include "ui/window_texts.h"

namespace quorix {
namespace {

// Message texts keep CR LF between lines; Qt breaks lines at LF alone.
QString ForDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

TWindowServices QtWindowServices() {
    TWindowServices services;
    services.openFile = [](QWidget* owner, const QString& title,
                           const QString& directory) -> std::optional<QString> {
        const QString path = QFileDialog::getOpenFileName(owner, title, directory);
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return path;
    };
    services.chooseFont = [](QWidget* owner, const QFont& current) -> std::optional<QFont> {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, current, owner);
        if (!ok) {
            return std::nullopt;
        }
        return font;
    };
    services.showInformation = [](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::information(owner, caption, ForDisplay(text), QMessageBox::Ok);
    };
    services.showError = [](QWidget* owner, const QString& caption, const QString& text) {
        QMessageBox::critical(owner, caption, ForDisplay(text), QMessageBox::Ok);
    };
    services.askEntryFailure = [](QWidget* owner, const QString& text) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                        QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, owner);
        switch (box.exec()) {
            case QMessageBox::Retry:
                return TEntryFailureAnswer::Retry;
            case QMessageBox::Ignore:
                return TEntryFailureAnswer::Ignore;
            default:  // Abort, or the box closed without an answer
                return TEntryFailureAnswer::Abort;
        }
    };
    services.editOptions =
        [](QWidget* owner, const TWindowOptions& current,
           const std::function<void(QWidget*)>& openPreview,
           const std::function<void(QWidget*)>& sendToPhone) -> std::optional<TWindowOptions> {
        TOptionsDialog dialog(current, owner, openPreview, sendToPhone);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.Options();
    };
    services.askStopBuild = [](QWidget* owner) {
        return QMessageBox::question(owner, QStringLiteral("Confirm"), QString(kStopBuildQuestion),
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    return services;
}

}  // namespace quorix
