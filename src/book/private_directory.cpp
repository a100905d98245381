// private_directory.cpp - private temporary trees: made locked, removed by descriptor, and
// those of dead builds swept away.
#include "book/private_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "book/file_writer.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "quorix-maker-";
constexpr std::size_t kUniqueLength = 6;  // mkdtemp's "XXXXXX"
// Stands in a tree while a build owns it; a kept tree has none, and is never swept.
constexpr const char* kOwnedMark = ".quorix-build";

fs::path TemporaryBase() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (!ec) return base;
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir != nullptr ? tmpdir : "/tmp";
}

struct TEntry {
    std::string name;
    bool directory;
};

// The entries of `rel` under `root`; the listing's descriptor is closed again before the
// caller goes deeper.
std::vector<TEntry> List(int root, const std::string& rel) {
    std::vector<TEntry> entries;
    const int fd = ::openat(root, rel.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return entries;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return entries;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        bool directory = e->d_type == DT_DIR;
        struct stat info {};
        if (e->d_type == DT_UNKNOWN &&
            ::fstatat(::dirfd(dir), e->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            directory = S_ISDIR(info.st_mode);
        }
        entries.push_back({std::string(name), directory});
    }
    ::closedir(dir);
    return entries;
}

// Removes what lies under `rel` (relative to `root`, "." for all of it) by names relative to
// the one descriptor; links are removed, never followed.
void RemoveBelow(int root, const std::string& rel) {
    for (const TEntry& entry : List(root, rel)) {
        const std::string path = rel == "." ? entry.name : rel + "/" + entry.name;
        if (entry.directory) {
            RemoveBelow(root, path);
            ::unlinkat(root, path.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(root, path.c_str(), 0);
        }
    }
}

bool IsTreeName(std::string_view name) {
    return name.size() == kPrefix.size() + kUniqueLength &&
           name.substr(0, kPrefix.size()) == kPrefix;
}

// Removes this user's trees under `base` whose owner died: owned (marked), and their lock
// free. A tree being made is marked only once it is locked, so it is never taken.
void RemoveDeadTrees(const fs::path& base) {
    const int baseFd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (baseFd < 0) return;
    std::vector<std::string> names;
    for (const TEntry& entry : List(baseFd, ".")) {
        if (entry.directory && IsTreeName(entry.name)) names.push_back(entry.name);
    }
    for (const std::string& name : names) {
        const int fd =
            ::openat(baseFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {
        }, mark{};
        if (::fstat(fd, &info) == 0 && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(fd, kOwnedMark, &mark, AT_SYMLINK_NOFOLLOW) == 0) {
            RemoveBelow(fd, ".");
            ::unlinkat(baseFd, name.c_str(), AT_REMOVEDIR);
        }
        ::close(fd);
    }
    ::close(baseFd);
}

}  // namespace

TPrivateDirectory::TPrivateDirectory() {
    const fs::path base = TemporaryBase();
    RemoveDeadTrees(base);
    const std::string pattern = (base / (std::string(kPrefix) + "XXXXXX")).string();
    std::string made = pattern;
    if (::mkdtemp(made.data()) == nullptr) {
        throw std::runtime_error(std::string(kMsgCannotCreateDir) + pattern);
    }
    fd_.Reset(::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // The mark goes in only under the lock, and needs no descriptor of its own.
    if (fd_.Get() < 0 || ::flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::mknodat(fd_.Get(), kOwnedMark, S_IFREG | 0600, 0) != 0) {
        fd_.Reset();
        ::rmdir(made.c_str());
        throw std::runtime_error(std::string(kMsgCannotCreateDir) + pattern);
    }
    path_ = std::move(made);
}

TPrivateDirectory::~TPrivateDirectory() {
    if (!kept_) {
        // The mark goes first: a tree without it is never another start's to sweep.
        ::unlinkat(fd_.Get(), kOwnedMark, 0);
        RemoveBelow(fd_.Get(), ".");
        ::rmdir(path_.c_str());
    }
    // Closing fd_ releases the lock.
}

void TPrivateDirectory::Keep() {
    ::unlinkat(fd_.Get(), kOwnedMark, 0);
    kept_ = true;
}

}  // namespace quorix
