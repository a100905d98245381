// replacing_file.h - outputs that replace their final name whole: a new file beside it,
// written, flushed to the disk and renamed over it, so that a crash leaves the old file
// or the new one and never anything in between.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "base/open_file.h"
#include "base/output_error.h"

namespace quorix {

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
    int Fd() const { return fd_.Get(); }

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
    TOpenFile fd_;
    std::string buffer_;
    bool placed_ = false;
};

// Puts a JAR and its JAD in place together: both are finished (on the disk) first, then
// renamed one after the other under the directory's lock, so that a pair that stays under
// the final names always comes from one build. The directory is not synced: a power loss
// may bring back the old pair, never a part of the new one; callers that make many pairs
// sync the directory once when they are done.
void CommitPair(TReplacingFile& first, TReplacingFile& second);

// Writes `bytes` as the file `path` through a TReplacingFile, so that the name only ever shows
// a whole file. Nothing is sent to the disk: for outputs that are simply made again after a crash.
// Failures raise EOutputError.
void WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace quorix
