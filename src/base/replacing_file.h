// replacing_file.h - outputs that replace their final name whole: a new file beside it,
// written, flushed to the disk and renamed over it, so that a crash leaves the old file
// or the new one and never anything in between.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace quorix {

inline constexpr std::string_view kMsgNotRegularFile = "Not a regular file: ";

// Raised when a file cannot be opened, made or put in place: "<what> <path>: <reason>",
// or for a file that is not a regular one "Not a regular file: <path>".
class EOutputError : public std::runtime_error {
  public:
    EOutputError(int error, std::string_view what, const std::filesystem::path& path);
    // The errno of the failure; 0 for a file that is not a regular one.
    int Error() const noexcept { return error_; }
    // The file that could not be made or opened.
    const std::filesystem::path& Path() const { return path_; }

  private:
    explicit EOutputError(const std::filesystem::path& notRegular);
    friend int OpenRegularFile(const std::filesystem::path& path);
    int error_;
    std::filesystem::path path_;
};

// A new file in the directory of `target`, made without a name (O_TMPFILE) where the file
// system can, else created exclusively under a private name (".NAME.XXXXXXXX"): nothing
// that stands there, a symbolic link or another build's file, is ever opened. Until Commit
// the final name is untouched; a file never committed is removed (an unnamed one even when
// the process is killed).
class TReplacingFile {
  public:
    explicit TReplacingFile(std::filesystem::path target);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    const std::filesystem::path& Target() const { return target_; }
    // The private name; empty while the file has none.
    const std::filesystem::path& TempPath() const { return temp_; }
    // The open file, for writers that manage their own handle (they may dup it).
    int Fd() const { return fd_; }

    // Writes at the end of what was written, buffered; a refused byte raises.
    void Write(std::string_view bytes);
    // Empties the buffer into the file; returns its size. Nothing is sent to the disk yet.
    std::uintmax_t Written();
    // Empties the buffer and sends the file to the disk; returns its size.
    std::uintmax_t Finish();
    // Finish, then renames over the target and syncs the directory.
    void Commit();
    // Renames a finished file over the target without syncing the directory; for
    // callers that rename several files under one lock and sync once.
    void RenameOverTarget();
    // Removes the new file now (the target stays as it was).
    void Discard();

  private:
    void FlushBuffer();
    std::filesystem::path NewPrivateName(
        const std::function<bool(const std::filesystem::path&)>& make) const;
    bool LinkAs(const std::filesystem::path& path) const;
    void Placed();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    int fd_ = -1;
    std::string buffer_;
    bool placed_ = false;
};

// Puts a JAR and its JAD in place together: both are finished (on the disk) first, then
// renamed one after the other under the directory's lock, so that a pair that stays under
// the final names always comes from one build. The directory is not synced: a power loss
// may bring back the old pair, never a part of the new one; callers that make many pairs
// sync the directory once when they are done.
void CommitPair(TReplacingFile& first, TReplacingFile& second);

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

// Writes all of `bytes` at the descriptor's position, again after interruptions; 0 when all
// went, else the error (ENOSPC for a write that took nothing).
int WriteFully(int fd, std::string_view bytes);

// Writes `bytes` as the file `path` through a TReplacingFile, so that the name only ever shows
// a whole file. Nothing is sent to the disk: for outputs that are simply made again after a crash.
// Failures raise EOutputError.
void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

// Sends a directory's entries (renames, new names) to the disk.
void SyncDirectory(const std::filesystem::path& dir);

// An exclusive lock on a directory while it lives, so that the renames of several
// outputs that belong together never interleave with another process's or thread's.
class TDirectoryLock {
  public:
    explicit TDirectoryLock(const std::filesystem::path& dir);
    ~TDirectoryLock();
    TDirectoryLock(const TDirectoryLock&) = delete;
    TDirectoryLock& operator=(const TDirectoryLock&) = delete;

  private:
    int fd_ = -1;
};

// Opens `path` for reading when it is a regular file; a FIFO, a device or a directory is
// refused at once (opening a FIFO would wait for a writer). Returns the descriptor; the
// caller owns it. Raises EOutputError.
int OpenRegularFile(const std::filesystem::path& path);

}  // namespace quorix
