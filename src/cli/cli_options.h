// cli_options.h - the command line's options and how they fill the build settings.
#pragma once

#include <CLI/CLI.hpp>
#include <filesystem>
#include <string>

#include "builder/book_builder.h"
#include "book/build_settings.h"

namespace quorix {

struct TCliBuild {
    TBuildSettings settings;
    std::filesystem::path output = ".";
    bool keepTemp = false;
    TCompression compression = TCompression::standard;
    unsigned jobs = 0;  // one per available processor
};

// Registers the build options on `app`, writing into `build` when parsed.
void AddBuildOptions(CLI::App& app, TCliBuild& build);

}  // namespace quorix
