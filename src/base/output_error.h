// output_error.h - the failure of a file that cannot be opened, made or put in place.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace quorix {

inline constexpr std::string_view kMsgNotRegularFile = "Not a regular file: ";

// Raised when a file cannot be opened, made or put in place: "<what> <path>: <reason>",
// or for a file that is not a regular one "Not a regular file: <path>".
class EOutputError : public std::runtime_error {
  public:
    EOutputError(int error, std::string_view what, const std::filesystem::path& path);
    // The errno of the failure; 0 for a file that is not a regular one.
    int Error() const noexcept { return error_; }
    // The file that could not be made or opened.
    const std::filesystem::path& Path() const { return path_; }

  private:
    explicit EOutputError(const std::filesystem::path& notRegular);
    friend int OpenRegularFile(const std::filesystem::path& path);
    int error_;
    std::filesystem::path path_;
};

}  // namespace quorix
