// open_file.cpp - opens that never wait on a FIFO, whole writes, directory syncs.
#include "base/open_file.h"

#include <fcntl.h>

#include <cerrno>

#include "base/output_error.h"

namespace quorix {
namespace fs = std::filesystem;

int OpenForReading(const fs::path& path, TOpenFile& file, struct stat& info) {
    // Non-blocking, so that a FIFO without a writer does not hold the open; blocking again
    // once open, so that reads of a regular file never come back short for want of data.
    file.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) return errno;
    if (::fstat(file.Get(), &info) != 0 || ::fcntl(file.Get(), F_SETFL, 0) != 0) {
        const int error = errno;
        file.Reset();
        return error;
    }
    return 0;
}

int WriteFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

void SyncDirectory(const fs::path& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw EOutputError(errno, "Cannot open directory", dir);
    int rc = ::fsync(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a directory; the rename itself has happened.
    if (rc != 0 && error != EINVAL && error != ENOTSUP) {
        throw EOutputError(error, "Cannot write directory", dir);
    }
}

int OpenRegularFile(const fs::path& path) {
    TOpenFile file;
    struct stat info {};
    if (const int error = OpenForReading(path, file, info); error != 0) {
        throw EOutputError(error, "Cannot open file", path);
    }
    if (!S_ISREG(info.st_mode)) throw EOutputError(path);
    return file.Release();
}

}  // namespace quorix
