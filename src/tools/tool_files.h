// tool_files.h - the raw-byte file access of the developer commands, with clear failures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

namespace quorix {

class TReplacingFile;

// One open file; closed when it goes out of scope. Every failure raises
// std::system_error whose text names the operation and the file.
class TToolFile {
  public:
    // A regular file only: a FIFO or a device (which may never end) is refused.
    static TToolFile OpenForReading(const std::filesystem::path& path);
    // A new file that replaces `path` whole when closed: the old file (or whatever a
    // link there points to) is never written, and a file not closed leaves it as it was.
    static TToolFile Create(const std::filesystem::path& path);
    // Creates the output of a command beside its input: input path + extension.
    static TToolFile CreateBeside(const std::filesystem::path& input, std::string_view extension);

    std::uint64_t Size() const;
    // Reads up to `count` bytes; fewer only at the end of the file.
    std::size_t Read(char* buffer, std::size_t count);
    void Write(std::string_view bytes);
    // Closes now, so that a failing final flush is reported, not swallowed; an output
    // takes its final name here.
    void Close();

    TToolFile(TToolFile&&) noexcept;
    TToolFile& operator=(TToolFile&&) noexcept;
    ~TToolFile();

  private:
    struct TCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    TToolFile(std::unique_ptr<std::FILE, TCloser> file, std::filesystem::path path);
    TToolFile(std::unique_ptr<TReplacingFile> output, std::filesystem::path path);

    std::unique_ptr<std::FILE, TCloser> file_;
    std::unique_ptr<TReplacingFile> output_;
    std::filesystem::path path_;
};

}  // namespace quorix
