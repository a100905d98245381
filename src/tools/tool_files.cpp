// tool_files.cpp - raw-byte file access of the developer commands.
#include "tools/tool_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

namespace quorix {
namespace {

[[noreturn]] void Fail(int error, std::string_view what, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(),
                            std::string(what) + " " + path.string());
}

}  // namespace

TToolFile::TToolFile(std::unique_ptr<std::FILE, TCloser> file, std::filesystem::path path)
    : file_(std::move(file)), path_(std::move(path)) {}

TToolFile TToolFile::OpenForReading(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, TCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        Fail(errno, "Cannot open file", path);
    }
    // A directory opens like a file here but cannot be read as one.
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0) {
        Fail(errno, "Cannot open file", path);
    }
    if (S_ISDIR(info.st_mode)) {
        Fail(EISDIR, "Cannot open file", path);
    }
    return TToolFile(std::move(file), path);
}

TToolFile TToolFile::CreateBeside(const std::filesystem::path& input, std::string_view extension) {
    std::filesystem::path output = input;
    output += extension;
    return Create(output);
}

TToolFile TToolFile::Create(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, TCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        Fail(errno, "Cannot create file", path);
    }
    return TToolFile(std::move(file), path);
}

std::uint64_t TToolFile::Size() const {
    struct stat info {};
    if (fstat(fileno(file_.get()), &info) != 0) {
        Fail(errno, "Cannot read file", path_);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t TToolFile::Read(char* buffer, std::size_t count) {
    const std::size_t got = std::fread(buffer, 1, count, file_.get());
    if (got < count && std::ferror(file_.get())) {
        Fail(errno, "Cannot read file", path_);
    }
    return got;
}

void TToolFile::Write(std::string_view bytes) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        Fail(errno, "Cannot write file", path_);
    }
}

void TToolFile::Close() {
    if (std::fclose(file_.release()) != 0) {
        Fail(errno, "Cannot write file", path_);
    }
}

}  // namespace quorix
