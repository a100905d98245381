// directory_lock.cpp - flock on a directory's descriptor.
#include "base/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "base/output_error.h"

namespace quorix {
namespace fs = std::filesystem;

TDirectoryLock::TDirectoryLock(const fs::path& dir) {
    dir_.Reset(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir_.Get() < 0) throw EOutputError(errno, "Cannot open directory", dir);
    while (::flock(dir_.Get(), LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        throw EOutputError(errno, "Cannot lock directory", dir);
    }
}

TDirectoryLock::~TDirectoryLock() = default;  // closing the directory releases the lock

}  // namespace quorix
