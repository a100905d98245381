// preview_command.h - `quorix-maker-cli preview`: a built book's pages as PNG files.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <ostream>
#include <string>

namespace quorix {

struct TPreviewCommand {
    std::filesystem::path book;  // a JAR, or a directory of a build's kept temporary files
    std::string screen = "176x208";
    std::string pages;  // "N" or "FIRST-LAST"; empty: the first page
    bool all = false;
    bool helpPage = false;
    bool noWrap = false;
    std::filesystem::path output;
    std::filesystem::path contactSheet;
    int columns = 8;
};

// Registers the subcommand on `app`, filling `command` when parsed.
CLI::App* AddPreviewCommand(CLI::App& app, TPreviewCommand& command);

// Writes the pages; reports what it wrote on `out`. Failures raise with a message for the user.
void RunPreview(const TPreviewCommand& command, std::ostream& out);

}  // namespace quorix
