// test_support.h - temporary directories and file helpers shared by the test programs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorix::test {

// A fresh directory removed with everything in it when the test ends.
class TTempDir {
  public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace quorix::test
