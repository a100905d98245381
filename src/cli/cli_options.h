// cli_options.h - the command line's options and how they fill the build settings.
#pragma once

#include <filesystem>
#include <string>

#include <CLI/CLI.hpp>

#include "book/build_settings.h"

namespace quorix {

struct TCliBuild {
    TBuildSettings settings;
    std::filesystem::path output = ".";
    bool keepTemp = false;
};

// Registers the build options on `app`, writing into `build` when parsed.
void AddBuildOptions(CLI::App& app, TCliBuild& build);

}  // namespace quorix
