// worker_trees.cpp - copies of the build's temporary tree, made and removed by the build.
#include "builder/worker_trees.h"

#include <stdlib.h>

#include <cerrno>
#include <system_error>

#include "book/book_error.h"

namespace quorix {
namespace fs = std::filesystem;

namespace {

void Check(const std::error_code& ec) {
    if (ec) throw TBookError(IoErrorMessage(ec.value()));
}

// Files keep their times: those are the times their JAR entries carry.
void CopyTree(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const fs::path target = to / fs::relative(it->path(), from);
        const fs::file_status status = it->symlink_status(ec);
        Check(ec);
        if (fs::is_directory(status)) {
            fs::create_directory(target, it->path(), ec);
        } else if (fs::is_symlink(status)) {
            fs::copy_symlink(it->path(), target, ec);
        } else if (fs::is_regular_file(status)) {
            fs::copy_file(it->path(), target, ec);
            if (!ec) fs::last_write_time(target, fs::last_write_time(it->path()), ec);
        }
        Check(ec);
    }
    Check(ec);
}

}  // namespace

TWorkerTrees::~TWorkerTrees() {
    std::error_code ec;
    for (const fs::path& tree : trees_) fs::remove_all(tree, ec);
}

fs::path TWorkerTrees::Add(const fs::path& tempDir) {
    std::string pattern = tempDir.string() + ".XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw TBookError(IoErrorMessage(errno));
    trees_.emplace_back(pattern);
    CopyTree(tempDir, trees_.back());
    return trees_.back();
}

}  // namespace quorix
