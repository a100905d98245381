// serve_command.h - `quorix-maker-cli serve`: the books of a midlets directory to phones on
// the same network.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>

namespace quorix {

struct TServeCommand {
    std::filesystem::path dir = "midlets";
    int port = 8080;
    std::string bind = "0.0.0.0";
};

// Registers the subcommand on `app`, filling `command` when parsed.
CLI::App* AddServeCommand(CLI::App& app, TServeCommand& command);

// Serves until SIGINT, SIGTERM or SIGHUP; returns the exit status.
int RunServe(const TServeCommand& command);

}  // namespace quorix
