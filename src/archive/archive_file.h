// archive_file.h - the archive file: exclusive read/write handle with a write buffer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/open_file.h"

namespace quorix {

// Raised when the file takes fewer bytes than were written to it.
class EShortWrite : public std::exception {
  public:
    const char* what() const noexcept override { return "short write"; }
};

class TArchiveFile {
  public:
    // Large enough that the deflated output of a block goes out in a few system calls.
    static constexpr std::size_t kBufferSize = 1 << 20;

    // Creates the file or truncates it to 0 bytes; raises EFCreateError on failure.
    explicit TArchiveFile(const std::filesystem::path& path);
    // Takes over `fd`, an empty file opened for reading and writing.
    explicit TArchiveFile(int fd);
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    // Appends at the current position; raises EShortWrite when the disk refuses bytes.
    void Write(std::string_view bytes);
    std::uint64_t Position() const { return position_; }
    void Seek(std::uint64_t position);
    // Cuts the file at `position` and moves there.
    void Truncate(std::uint64_t position);
    // The file's length; kept here, since nothing but this handle changes the file.
    std::uint64_t Size();
    // Empties the write buffer into the file and, with `toDisk`, the file to the disk;
    // a file unchanged since its last trip to the disk is not sent again.
    void Flush(bool toDisk = false);
    // Why the file last refused bytes (ENOSPC, EDQUOT, EFBIG, EIO, ...); 0 while it took all.
    int Refused() const { return refused_; }

  private:
    TOpenFile fd_;
    std::string buffer_;
    std::uint64_t position_ = 0;  // logical position, buffered bytes included
    std::uint64_t size_ = 0;      // bytes in the file, buffered ones not included
    bool unsynced_ = false;       // changed since the last fsync
    int refused_ = 0;
};

}  // namespace quorix
