// replacing_file.cpp - exclusive new files, renamed over their final names.
#include "base/replacing_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>

#include "base/directory_lock.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kNameAttempts = 100;

// ".NAME.XXXXXXXX" beside NAME: hidden, and never a name the program makes for the user.
fs::path PrivateName(const fs::path& target, std::uint64_t& state) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // splitmix64: O_EXCL makes a name safe; the randomness only keeps collisions rare.
    state += 0x9E3779B97F4A7C15u;
    std::uint64_t bits = state;
    bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9u;
    bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBu;
    bits ^= bits >> 31;
    std::string name = ".";
    name += target.filename().string();
    name += '.';
    for (int i = 0; i < 8; ++i, bits /= sizeof kLetters - 1) {
        name += kLetters[bits % (sizeof kLetters - 1)];
    }
    return target.parent_path() / name;
}

fs::path DirectoryOf(const fs::path& path) {
    fs::path dir = path.parent_path();
    return dir.empty() ? fs::path(".") : dir;
}

// Unnamed files are given their names through /proc; without it they cannot be.
bool ProcFdsShown() {
    static const bool shown = ::access("/proc/self/fd", X_OK) == 0;
    return shown;
}

}  // namespace

TReplacingFile::TReplacingFile(fs::path target) : target_(std::move(target)) {
    // Unnamed until it is placed: a process killed meanwhile leaves nothing behind.
    fd_.Reset(::open(DirectoryOf(target_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    if (fd_.Get() >= 0 && ProcFdsShown()) return;
    if (fd_.Get() >= 0) {
        fd_.Reset();
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        throw EOutputError(errno, "Cannot create file", target_);
    }
    // O_EXCL with O_CREAT never follows a link and never opens a file that exists.
    temp_ = NewPrivateName([this](const fs::path& candidate) {
        fd_.Reset(
            ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        return fd_.Get() >= 0;
    });
}

// A private name beside the target for which `make` succeeds; `make` fails with EEXIST for
// names taken.
fs::path TReplacingFile::NewPrivateName(const std::function<bool(const fs::path&)>& make) const {
    std::uint64_t state = 0;
    if (::getrandom(&state, sizeof state, 0) != static_cast<ssize_t>(sizeof state)) {
        state =
            static_cast<std::uint64_t>(::getpid()) << 32 ^
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        fs::path candidate = PrivateName(target_, state);
        if (make(candidate)) return candidate;
        if (errno != EEXIST) break;
    }
    throw EOutputError(errno, "Cannot create file", target_);
}

// Gives the unnamed file the name `path`; fails with EEXIST when something stands there.
bool TReplacingFile::LinkAs(const fs::path& path) const {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.Get());
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

TReplacingFile::~TReplacingFile() {
    Discard();
}

void TReplacingFile::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) FlushBuffer();
    if (bytes.size() >= kBufferSize) {
        // A large block goes straight to the file, not through a copy in the buffer.
        if (const int error = WriteFully(fd_.Get(), bytes); error != 0) {
            throw EOutputError(error, "Cannot write file", target_);
        }
        return;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize) FlushBuffer();
}

void TReplacingFile::FlushBuffer() {
    const int error = WriteFully(fd_.Get(), buffer_);
    buffer_.clear();
    if (error != 0) throw EOutputError(error, "Cannot write file", target_);
}

std::uintmax_t TReplacingFile::Written() {
    FlushBuffer();
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0) throw EOutputError(errno, "Cannot write file", target_);
    return static_cast<std::uintmax_t>(info.st_size);
}

std::uintmax_t TReplacingFile::Finish() {
    const std::uintmax_t size = Written();
    if (::fsync(fd_.Get()) != 0) throw EOutputError(errno, "Cannot write file", target_);
    return size;
}

void TReplacingFile::RenameOverTarget() {
    if (temp_.empty()) {
        // Where nothing stands yet the unnamed file takes the name at once.
        if (LinkAs(target_)) return Placed();
        if (errno != EEXIST) throw EOutputError(errno, "Cannot replace file", target_);
        temp_ = NewPrivateName([this](const fs::path& candidate) { return LinkAs(candidate); });
    }
    // rename() replaces a link standing at the target; it never writes through it.
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        throw EOutputError(errno, "Cannot replace file", target_);
    }
    Placed();
}

void TReplacingFile::Placed() {
    placed_ = true;
    fd_.Reset();
}

void TReplacingFile::Commit() {
    Finish();
    RenameOverTarget();
    SyncDirectory(DirectoryOf(target_));
}

void TReplacingFile::Discard() {
    if (fd_.Get() >= 0) {
        fd_.Reset();
    }
    if (!placed_ && !temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

void CommitPair(TReplacingFile& first, TReplacingFile& second) {
    first.Finish();
    second.Finish();
    // A directory at the second name would fail its rename after the first had been
    // replaced, and break the pair that stood there.
    struct stat info {};
    if (::lstat(second.Target().c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        throw EOutputError(EISDIR, "Cannot replace file", second.Target());
    }
    {
        TDirectoryLock lock(DirectoryOf(first.Target()));
        first.RenameOverTarget();
        second.RenameOverTarget();
    }
}

void WriteWholeFile(const fs::path& path, std::string_view bytes) {
    TReplacingFile file(path);
    file.Write(bytes);
    file.Written();
    file.RenameOverTarget();
}

}  // namespace quorix
