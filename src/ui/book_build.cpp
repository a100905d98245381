// book_build.cpp - the window's Start build.
#include "ui/book_build.h"

#include <QFile>
#include <filesystem>

#include "book/stop_signals.h"

namespace quorix {

TBuildFunction BookBuildIn(const QString& programDirectory) {
    const std::filesystem::path directory(QFile::encodeName(programDirectory).toStdString());
    return [directory](const TBuildSettings& settings, TBuildLog& log, TAskEntryFailure ask) {
        TBuildOptions options;
        options.askEntryFailure = std::move(ask);
        options.stopRequested = [] { return StopSignal() != 0; };
        TBookBuilder builder(TBuildPlace{directory, directory}, std::move(options));
        builder.Run(settings, log);
    };
}

}  // namespace quorix
