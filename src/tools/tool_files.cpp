// tool_files.cpp - raw-byte file access of the developer commands.
#include "tools/tool_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "base/replacing_file.h"

namespace quorix {
namespace {

[[noreturn]] void Fail(int error, std::string_view what, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(),
                            std::string(what) + " " + path.string());
}

[[noreturn]] void Fail(const EOutputError& e, std::string_view what,
                       const std::filesystem::path& path) {
    if (e.Error() == 0)
        Fail(EINVAL, kMsgNotRegularFile.substr(0, kMsgNotRegularFile.size() - 1), path);
    Fail(e.Error(), what, path);
}

}  // namespace

TToolFile::TToolFile(std::unique_ptr<std::FILE, TCloser> file, std::filesystem::path path)
    : file_(std::move(file)), path_(std::move(path)) {}

TToolFile::TToolFile(std::unique_ptr<TReplacingFile> output, std::filesystem::path path)
    : output_(std::move(output)), path_(std::move(path)) {}

TToolFile::TToolFile(TToolFile&&) noexcept = default;
TToolFile& TToolFile::operator=(TToolFile&&) noexcept = default;
TToolFile::~TToolFile() = default;

TToolFile TToolFile::OpenForReading(const std::filesystem::path& path) {
    int fd = -1;
    try {
        fd = OpenRegularFile(path);
    } catch (const EOutputError& e) {
        Fail(e, "Cannot open file", path);
    }
    std::unique_ptr<std::FILE, TCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        const int error = errno;
        ::close(fd);
        Fail(error, "Cannot open file", path);
    }
    return TToolFile(std::move(file), path);
}

TToolFile TToolFile::CreateBeside(const std::filesystem::path& input, std::string_view extension) {
    std::filesystem::path output = input;
    output += extension;
    return Create(output);
}

TToolFile TToolFile::Create(const std::filesystem::path& path) {
    try {
        return TToolFile(std::make_unique<TReplacingFile>(path), path);
    } catch (const EOutputError& e) {
        Fail(e, "Cannot create file", path);
    }
}

std::uint64_t TToolFile::Size() const {
    struct stat info {};
    const int fd = output_ ? output_->Fd() : fileno(file_.get());
    if (fstat(fd, &info) != 0) {
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
    if (output_) {
        try {
            output_->Write(bytes);
        } catch (const EOutputError& e) {
            Fail(e, "Cannot write file", path_);
        }
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
        Fail(errno, "Cannot write file", path_);
    }
}

void TToolFile::Close() {
    if (output_) {
        try {
            output_->Finish();
        } catch (const EOutputError& e) {
            Fail(e, "Cannot write file", path_);
        }
        // The file takes its name only now: something in the way fails its creation.
        try {
            output_->RenameOverTarget();
            SyncDirectory(path_.parent_path().empty() ? "." : path_.parent_path());
        } catch (const EOutputError& e) {
            Fail(e, "Cannot create file", path_);
        }
        output_.reset();
        return;
    }
    if (std::fclose(file_.release()) != 0) {
        Fail(errno, "Cannot write file", path_);
    }
}

}  // namespace quorix
