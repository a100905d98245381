// directory_lock.h - an exclusive lock on a directory for as long as it lives.
#pragma once

#include <filesystem>

#include "base/open_file.h"

namespace quorix {

// An exclusive lock on a directory while it lives, so that the renames of several
// outputs that belong together never interleave with another process's or thread's.
class TDirectoryLock {
  public:
    explicit TDirectoryLock(const std::filesystem::path& dir);
    ~TDirectoryLock();
    TDirectoryLock(const TDirectoryLock&) = delete;
    TDirectoryLock& operator=(const TDirectoryLock&) = delete;

  private:
    TOpenFile dir_;
};

}  // namespace quorix
