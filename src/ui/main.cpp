// main.cpp - quorix-maker: the main window, until it is closed.
#include <QApplication>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include "base/stop_signals.h"
#include "ui/book_build.h"
#include "ui/fm_main.h"
#include "ui/phone_preview_dialog.h"
#include "ui/send_to_phone_dialog.h"
#include "ui/window_services.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // A signal stops a running build (it removes its unfinished files) and then the program.
    quorix::InstallStopSignals();
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, [] {
        if (const int signal = quorix::StopSignal(); signal != 0)
            QCoreApplication::exit(128 + signal);
    });
    stopWatch.start(200);

    quorix::TWindowServices services = quorix::QtWindowServices();
    services.runBuild =
        quorix::BookBuildIn(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    services.programPath = QCoreApplication::applicationFilePath();
    quorix::TfmMain fmMain(std::move(services));
    fmMain.show();

    // "--preview JAR" opens the phone preview of a built part over the window.
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype preview = arguments.indexOf(QStringLiteral("--preview"));
    QWidget* shown = &fmMain;
    if (preview > 0 && preview + 1 < arguments.size()) {
        auto* dialog = new quorix::TPhonePreviewDialog(arguments[preview + 1], &fmMain);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        shown = dialog;
    }
    // "--send-to-phone DIR" serves DIR to phones over the window, as its menu entry does.
    const qsizetype send = arguments.indexOf(QStringLiteral("--send-to-phone"));
    if (send > 0 && send + 1 < arguments.size()) {
        auto* dialog = new quorix::TSendToPhoneDialog(arguments[send + 1], &fmMain);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
        shown = dialog;
    }
    // For the documentation only: "--screenshot FILE" saves the window (or the preview) once
    // it is up.
    const qsizetype shot = arguments.indexOf(QStringLiteral("--screenshot"));
    if (shot > 0 && shot + 1 < arguments.size()) {
        shown->activateWindow();
        QTimer::singleShot(1500, shown, [shown, file = arguments[shot + 1]] {
            const bool saved = shown->grab().save(file, "PNG");
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    return QApplication::exec();
}
