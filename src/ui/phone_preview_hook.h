// phone_preview_hook.h - where the main window opens the phone preview of the part it built.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace quorix {

class TBuildRunner;

// Adds "Phone preview..." (Ctrl+P) to the window's context menu; it shows the last part of the
// last build whose log ends in success. Follows the runner's log for the part's JAD.
class TPhonePreviewHook : public QObject {
    Q_OBJECT

  public:
    TPhonePreviewHook(QWidget* window, TBuildRunner* runner);

    // The JAR of the last part the last successful build made; empty before one.
    QString LastJar() const { return lastJar_; }
    // Opens the preview of the last built part, or asks for a JAR when there is none.
    void OpenPreview();
    // The same, modal over `over` (a modal dialog such as Options), returning when it closes.
    void OpenPreviewOver(QWidget* over);

  private:
    QString JarToShow(QWidget* owner) const;
    void NoteLine(const QString& line);
    void BuildEnded();

    QWidget* window_;
    QString buildJar_;  // the last JAR of the build running now
    QString lastLine_;
    QString lastJar_;
};

}  // namespace quorix
