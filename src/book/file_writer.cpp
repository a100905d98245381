// file_writer.cpp - directory, text-file and blob writers of the build.
#include "book/file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "book/book_error.h"
#include "book/byte_order.h"

namespace quorix {
namespace fs = std::filesystem;

std::string IoErrorMessage(int errorCode) {
    switch (errorCode) {
        case ENOENT:
            return "File not found";
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return "File access denied";
        case ENOSPC:
        case EFBIG:
        case EDQUOT:
            return "Disk full";
        default:
            return "I/O error " + std::to_string(errorCode);
    }
}

namespace {

[[noreturn]] void ThrowIo(int errorCode) {
    throw TBookError(IoErrorMessage(errorCode));
}

void LogCreated(TBuildLog& log, const fs::path& path, std::uintmax_t size) {
    log.Add("Create file " + path.string() + ", size " + std::to_string(size) + " bytes");
}

// A descriptor closed on every way out; a failing close is the caller's to check.
class TOpenFile {
  public:
    explicit TOpenFile(int fd) : fd_(fd) {}
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;
    ~TOpenFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ThrowIo(n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace

// The file is written over in place and cut to its new length, not truncated first: ext4
// sends a file truncated to nothing and written again to the disk when it is closed, and
// a file created anew for every part costs an inode each time.
void WriteRawFile(std::span<const std::string_view> pieces, const fs::path& path) {
    TOpenFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
    if (file.Get() < 0) ThrowIo(errno);
    off_t size = 0;
    for (std::string_view piece : pieces) {
        WriteAll(file.Get(), piece);
        size += static_cast<off_t>(piece.size());
    }
    if (::ftruncate(file.Get(), size) != 0) ThrowIo(errno);
    // Delayed allocation reports a full disk as late as the close.
    if (::close(file.Release()) != 0) ThrowIo(errno);
}

void WriteRawFile(std::string_view bytes, const fs::path& path) {
    std::string_view pieces[] = {bytes};
    WriteRawFile(pieces, path);
}

void EnsureDirectory(const fs::path& dir, TBuildLog& log) {
    std::error_code ec;
    // One level only: a missing parent is a failure, as is a file in the way. Another
    // build may make the same directory at the same moment, which is no failure.
    fs::create_directory(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        throw TBookError(std::string(kMsgCannotCreateDir) + dir.string());
    }
    log.Add("Temporary directory " + dir.string() + " - Ok");
}

void WriteTextFile(std::string_view text, const fs::path& path, bool lengthPrefix, TBuildLog& log) {
    std::string prefix;
    if (lengthPrefix) putU32BE(prefix, static_cast<std::uint32_t>(text.size()));
    std::string_view pieces[] = {prefix, text};
    try {
        WriteRawFile(pieces, path);
    } catch (const TBookError&) {
        throw TBookError(std::string(kMsgCannotSaveFile) + path.string());
    }
    LogCreated(log, path, prefix.size() + text.size());
}

void WriteBlob(std::span<const unsigned char> bytes, const fs::path& path, TBuildLog& log) {
    std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    try {
        WriteRawFile(view, path);
    } catch (const TBookError&) {
        throw TBookError(std::string(kMsgCannotSaveFile) + path.string());
    }
    LogCreated(log, path, bytes.size());
}

}  // namespace quorix
