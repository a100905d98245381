// open_file.h - descriptor ownership and the opens and writes every room shares.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>
#include <utility>

namespace quorix {

// A descriptor closed on every way out; a failing close is the caller's to check.
class TOpenFile {
  public:
    explicit TOpenFile(int fd = -1) : fd_(fd) {}
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;
    TOpenFile(TOpenFile&& other) noexcept : fd_(other.Release()) {}
    TOpenFile& operator=(TOpenFile&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~TOpenFile() { Reset(); }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    // Closes what is held and takes `fd` instead.
    void Reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_;
};

// Writes all of `bytes` at the descriptor's position, again after interruptions; 0 when all
// went, else the error (ENOSPC for a write that took nothing).
int WriteFully(int fd, std::string_view bytes);

// Sends a directory's entries (renames, new names) to the disk.
void SyncDirectory(const std::filesystem::path& dir);

// Opens `path` for reading without waiting for a writer when it is a FIFO, and fills `info`.
// Returns 0, or the errno of the failure (then `file` holds nothing). The kind of file is the
// caller's to judge: each has its own message for a directory, a FIFO or a device.
int OpenForReading(const std::filesystem::path& path, TOpenFile& file, struct stat& info);

// Opens `path` for reading when it is a regular file; a FIFO, a device or a directory is
// refused at once (opening a FIFO would wait for a writer). Returns the descriptor; the
// caller owns it. Raises EOutputError.
int OpenRegularFile(const std::filesystem::path& path);

}  // namespace quorix
