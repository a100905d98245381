// window_services.h - what the main window asks of the platform and of the core,
// gathered as replaceable functions so the window runs headless under test.
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "builder/book_builder.h"
#include "book/build_log.h"
#include "book/build_settings.h"

class QWidget;

namespace quorix {

// Asks what to do with an archive entry that failed; `message` is the failure's text.
using TAskEntryFailure = std::function<TEntryFailureAnswer(const std::string& message)>;

// The window's choices beyond its fixed layout; they last for the session.
struct TWindowOptions {
    QString outputFolder;  // where "midlets" is made; empty: the working place's rule
    QString sourceEncoding = QStringLiteral("auto");  // auto, detect or an iconv name
    bool joinLines = false;             // hard-wrapped lines joined before the parts are cut
    QString maxJarSize;                 // bytes or "64K"; empty: no limit
    bool strongestCompression = false;  // libdeflate's near-optimal parser for entries that fit
};

// One Start: the settings and what the runner adds to watch and steer it.
struct TBuildJob {
    TBuildSettings settings;
    std::filesystem::path outputFolder;  // empty: the working place's rule
    TCompression compression = TCompression::standard;
    std::function<bool()> stopRequested;
    std::function<void(std::uint64_t part, std::uint64_t parts)> partStarted;
};

// Runs one build to its end, reporting through the log. Called on a worker thread.
using TBuildFunction =
    std::function<void(const TBuildJob& job, TBuildLog& log, TAskEntryFailure ask)>;

struct TWindowServices {
    // Open-file dialog with the given title (empty: the platform's own), opening in
    // `directory` (empty: the platform's choice); the chosen file's full path, or
    // nullopt when cancelled.
    std::function<std::optional<QString>(QWidget* owner, const QString& title,
                                         const QString& directory)>
        openFile;
    // Font dialog starting at `current`; the confirmed font, or nullopt when cancelled.
    std::function<std::optional<QFont>(QWidget* owner, const QFont& current)> chooseFont;
    // Message box with an information icon and a single OK button.
    std::function<void(QWidget* owner, const QString& caption, const QString& text)>
        showInformation;
    // Message box with an error icon and a single OK button.
    std::function<void(QWidget* owner, const QString& caption, const QString& text)> showError;
    // Abort/Retry/Ignore question about a failing archive entry; `text` is the full question.
    std::function<TEntryFailureAnswer(QWidget* owner, const QString& text)> askEntryFailure;
    // The Options dialog; the confirmed options, or nullopt when cancelled. `openPreview`
    // opens the phone preview over the dialog, `sendToPhone` the serving dialog.
    std::function<std::optional<TWindowOptions>(QWidget* owner, const TWindowOptions& current,
                                                const std::function<void(QWidget*)>& openPreview,
                                                const std::function<void(QWidget*)>& sendToPhone)>
        editOptions;
    // Asked when the window is closed during a build; true: stop it and close.
    std::function<bool(QWidget* owner)> askStopBuild;
    // The Start command's build.
    TBuildFunction runBuild;
    // Full path of the program's executable; its file name gives the program's title.
    QString programPath;
};

// The real dialogs and message boxes; runBuild and programPath are left for the caller.
TWindowServices QtWindowServices();

}  // namespace quorix
