// main.cpp - quorix-maker-cli: builds a book from the command line.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "builder/book_builder.h"
#include "book/file_writer.h"
#include "book/private_directory.h"
#include "font/font_lookup.h"
#include "cli_options.h"
#include "base/stop_signals.h"
#include "preview_command.h"
#include "serve_command.h"
#include "tools/hex_listing.h"
#include "tools/line_joiner.h"

namespace {
namespace fs = std::filesystem;

// Writes each line as soon as the build reports it. A line that cannot be written (the
// reader of a pipe went away) is lost; the build goes on.
class TStdoutLog : public quorix::TBuildLog {
  public:
    void Add(std::string_view line) override {
        std::cout << line << std::endl;
        std::cout.clear();
        last_ = line;
    }
    const std::string& Last() const { return last_; }

  private:
    std::string last_;
};

// The process's exit status for a build that a signal stopped: 128 + the signal.
int StatusAfter(bool ok) {
    if (int signal = quorix::StopSignal(); signal != 0) return 128 + signal;
    return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}

// Names the font file the build draws with, so a substituted face shows. A face
// that cannot be found is left to the build, which logs why.
void ReportFontFile(const quorix::TFontDesc& font) {
    try {
        std::cerr << "Font file: " << quorix::LocateFont(font.face, font.bold, font.italic).path
                  << std::endl;
    } catch (const std::exception&) {
    }
}

int RunBuild(const quorix::TCliBuild& build) {
    ReportFontFile(build.settings.font);
    quorix::InstallStopSignals();
    TStdoutLog log;
    // A directory of this run's own, so that parallel runs never share files.
    std::optional<quorix::TPrivateDirectory> privateDir;
    try {
        privateDir.emplace();
    } catch (const std::exception& e) {
        log.Add(std::string(quorix::kMsgProcessFailed) + e.what());
        return EXIT_FAILURE;
    }
    // A missing output directory is made with its parents; one that cannot be made is
    // reported by the build, which names it.
    std::error_code ec;
    if (!fs::exists(build.output, ec)) fs::create_directories(build.output, ec);
    quorix::TBuildOptions options;
    options.keepTemporaryFiles = build.keepTemp;
    options.compression = build.compression;
    options.jobs = build.jobs;
    // Nobody to ask on the command line: a failing archive entry fails the build.
    options.askEntryFailure = [](const std::string&) { return quorix::TEntryFailureAnswer::Abort; };
    options.stopRequested = [] { return quorix::StopSignal() != 0; };
    quorix::TBookBuilder builder({fs::absolute(build.output).lexically_normal(), privateDir->Path()},
                                 options);
    bool ok = builder.Run(build.settings, log);
    if (!ok && log.Last() == std::string(quorix::kMsgProcessFailed) + "File not found") {
        std::cerr << "quorix-maker-cli: File not found: " << build.settings.sourcePath << std::endl;
    }
    const fs::path kept = privateDir->Path() / "temp";
    if (build.keepTemp && quorix::StopSignal() == 0 && fs::exists(kept, ec)) {
        privateDir->Keep();
        std::cout << "Temporary files kept in " << kept.string() << std::endl;
    }
    return StatusAfter(ok);
}

}  // namespace

int main(int argc, char** argv) {
    // A file-size limit must fail the write, not kill the process mid-archive.
    std::signal(SIGXFSZ, SIG_IGN);

    CLI::App app{
        "Quorix Maker: turns a plain text file into e-books for Java ME phones (MIDP 1.0).\n"
        "Cuts the text into parts at sentence ends and writes one JAR and JAD per part into\n"
        "<output>/midlets. Example:\n"
        "  quorix-maker-cli --source story.txt --book Story --part-size 60000 --phone any"};
    app.set_help_flag("-h,--help", "Show this help and exit");
    quorix::TCliBuild build;
    quorix::AddBuildOptions(app, build);

    // Developer commands: they write their output beside the input file.
    fs::path toolInput;
    CLI::App* hex =
        app.add_subcommand("hex", "Write FILE's bytes as a byte-array declaration into FILE.imp");
    hex->add_option("FILE", toolInput, "Any file")->required()->check(CLI::ExistingFile);
    CLI::App* join = app.add_subcommand(
        "join-lines", "Join hard-wrapped lines of FILE into FILE.txt (other CR LF become CR)");
    join->add_option("FILE", toolInput, "A text file")->required()->check(CLI::ExistingFile);
    quorix::TPreviewCommand previewCommand;
    CLI::App* preview = quorix::AddPreviewCommand(app, previewCommand);
    quorix::TServeCommand serveCommand;
    CLI::App* serve = quorix::AddServeCommand(app, serveCommand);
    app.require_subcommand(0, 1);

    CLI11_PARSE(app, argc, argv);
    try {
        if (hex->parsed()) {
            quorix::WriteHexListing(toolInput);
            return EXIT_SUCCESS;
        }
        if (join->parsed()) {
            quorix::WriteJoinedLines(toolInput);
            return EXIT_SUCCESS;
        }
        if (preview->parsed()) {
            quorix::RunPreview(previewCommand, std::cout);
            return EXIT_SUCCESS;
        }
        if (serve->parsed()) {
            return quorix::RunServe(serveCommand);
        }
        return RunBuild(build);
    } catch (const std::exception& e) {
        std::cerr << "quorix-maker-cli: " << e.what() << std::endl;
        return EXIT_FAILURE;
    }
}
