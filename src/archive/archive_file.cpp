// archive_file.cpp - POSIX file operations behind TArchiveFile.
#include "archive/archive_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "archive/zw_exception.h"

namespace quorix {

TArchiveFile::TArchiveFile(const std::filesystem::path& path) {
    fd_.Reset(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd_.Get() < 0) {
        throw EFCreateError(FormatZWText(kMsgCannotCreateFile, {path.string()}));
    }
    buffer_.reserve(kBufferSize);
}

TArchiveFile::TArchiveFile(int fd) : fd_(fd) {
    buffer_.reserve(kBufferSize);
}

TArchiveFile::~TArchiveFile() {
    try {
        Flush();
    } catch (...) {
        // A destructor must not throw; the caller's commit already reported failures.
    }
}

void TArchiveFile::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) {
        Flush();
    }
    if (bytes.size() >= kBufferSize) {
        buffer_.assign(bytes);
        position_ += bytes.size();
        Flush();
        return;
    }
    buffer_.append(bytes);
    position_ += bytes.size();
}

void TArchiveFile::Flush(bool toDisk) {
    std::size_t done = 0;
    std::uint64_t start = position_ - buffer_.size();
    while (done < buffer_.size()) {
        ssize_t n = ::pwrite(fd_.Get(), buffer_.data() + done, buffer_.size() - done,
                             static_cast<off_t>(start + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            // What did not go out is lost; the logical position follows the disk.
            size_ = std::max<std::uint64_t>(size_, start + done);
            position_ = start + done;
            buffer_.clear();
            refused_ = n < 0 ? errno : ENOSPC;
            throw EShortWrite();
        }
        done += static_cast<std::size_t>(n);
        unsynced_ = true;
        size_ = std::max<std::uint64_t>(size_, start + done);
    }
    buffer_.clear();
    if (toDisk && unsynced_) {
        if (::fsync(fd_.Get()) != 0) {
            refused_ = errno;
            throw EShortWrite();
        }
        unsynced_ = false;
    }
}

void TArchiveFile::Seek(std::uint64_t position) {
    Flush();
    position_ = position;
}

void TArchiveFile::Truncate(std::uint64_t position) {
    Flush();
    // Every commit cuts the file where it already ends; that needs no system call.
    if (position != size_) {
        if (::ftruncate(fd_.Get(), static_cast<off_t>(position)) != 0) {
            refused_ = errno;
            throw EShortWrite();
        }
        size_ = position;
        unsynced_ = true;
    }
    position_ = position;
}

std::uint64_t TArchiveFile::Size() {
    Flush();
    return size_;
}

}  // namespace quorix
