// file_writer.cpp - directory, text-file and blob writers of the build.
#include "book/file_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include "base/byte_order.h"
#include "base/replacing_file.h"
#include "book/book_error.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowIo(int errorCode) {
    throw TBookError(IoErrorMessage(errorCode));
}

void LogCreated(TBuildLog& log, const fs::path& path, std::uintmax_t size) {
    log.Add("Create file " + path.string() + ", size " + std::to_string(size) + " bytes");
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
        if (const int error = WriteFully(file.Get(), piece); error != 0) ThrowIo(error);
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
