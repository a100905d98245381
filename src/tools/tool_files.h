// tool_files.h - the raw-byte file access of the developer commands, with clear failures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace quorix {

// One open file; closed when it goes out of scope. Every failure raises
// std::system_error whose text names the operation and the file.
class TToolFile {
  public:
    static TToolFile OpenForReading(const std::filesystem::path& path);
    // Creates the file, or empties it when it exists.
    static TToolFile Create(const std::filesystem::path& path);
    // Creates the output of a command beside its input: input path + extension.
    static TToolFile CreateBeside(const std::filesystem::path& input, std::string_view extension);

    std::uint64_t Size() const;
    // Reads up to `count` bytes; fewer only at the end of the file.
    std::size_t Read(char* buffer, std::size_t count);
    void Write(std::string_view bytes);
    // Closes now, so that a failing final flush is reported, not swallowed.
    void Close();

  private:
    struct TCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    TToolFile(std::unique_ptr<std::FILE, TCloser> file, std::filesystem::path path);

    std::unique_ptr<std::FILE, TCloser> file_;
    std::filesystem::path path_;
};

}  // namespace quorix
