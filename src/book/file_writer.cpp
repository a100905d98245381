// file_writer.cpp - directory, text-file and blob writers of the build.
#include "book/file_writer.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>

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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void ThrowIo(int errorCode) {
    throw TBookError(IoErrorMessage(errorCode));
}

void LogCreated(TBuildLog& log, const fs::path& path, std::uintmax_t size) {
    log.Add("Create file " + path.string() + ", size " + std::to_string(size) + " bytes");
}

}  // namespace

void WriteRawFile(std::span<const std::string_view> pieces, const fs::path& path) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) ThrowIo(errno);
    for (std::string_view piece : pieces) {
        if (!piece.empty() &&
            std::fwrite(piece.data(), 1, piece.size(), file.get()) != piece.size()) {
            ThrowIo(errno ? errno : EIO);
        }
    }
    // Buffered bytes reach the disk only here, so a full disk shows up at close.
    std::FILE* raw = file.release();
    if (std::fclose(raw) != 0) ThrowIo(errno ? errno : EIO);
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
