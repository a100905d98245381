// book_build.cpp - the window's Start build.
#include "ui/book_build.h"

#include <QFile>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "base/stop_signals.h"
#include "ui/work_place.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

fs::path LocalPath(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

}  // namespace

TBuildFunction BookBuildIn(const QString& programDirectory, const QString& documentsDirectory) {
    const fs::path program = LocalPath(programDirectory);
    const fs::path documents = LocalPath(documentsDirectory);
    return [program, documents](const TBuildJob& job, TBuildLog& log, TAskEntryFailure ask) {
        fs::path midletsParent = job.outputFolder.empty()
                                     ? MidletsParentFor(program, documents)
                                     : fs::absolute(job.outputFolder).lexically_normal();
        // The driver makes "midlets" alone; the folder above it may be new too. A
        // failure here shows as the driver's own message about "midlets".
        std::error_code ec;
        fs::create_directories(midletsParent, ec);

        std::optional<TPrivateDirectory> temp;
        try {
            temp.emplace();
        } catch (const std::exception& e) {
            log.Add(std::string(kMsgProcessFailed) + e.what());
            return;
        }
        TBuildOptions options;
        options.askEntryFailure = std::move(ask);
        // A stop signal to the program, or the window's own request.
        options.stopRequested = [stop = job.stopRequested] {
            return StopSignal() != 0 || (stop && stop());
        };
        options.partStarted = job.partStarted;
        options.compression = job.compression;
        TBookBuilder builder(TBuildPlace{midletsParent, temp->Path()}, std::move(options));
        builder.Run(job.settings, log);
    };
}

}  // namespace quorix
