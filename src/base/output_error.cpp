// output_error.cpp - the texts of output failures.
#include "base/output_error.h"

#include <string>
#include <system_error>

namespace quorix {
namespace fs = std::filesystem;

EOutputError::EOutputError(int error, std::string_view what, const fs::path& path)
    : std::runtime_error(std::string(what) + " " + path.string() + ": " +
                         std::generic_category().message(error)),
      error_(error),
      path_(path) {}

EOutputError::EOutputError(const fs::path& notRegular)
    : std::runtime_error(std::string(kMsgNotRegularFile) + notRegular.string()),
      error_(0),
      path_(notRegular) {}

}  // namespace quorix
