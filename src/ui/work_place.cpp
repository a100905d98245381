// work_place.cpp - the window's working place and private temporary directories.
#include "ui/work_place.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace quorix {
namespace fs = std::filesystem;

namespace {

// Writable for this user: an existing "midlets" must take new files, else the
// program's directory must take a new "midlets".
bool MayWriteBooks(const fs::path& programDir) {
    std::error_code ec;
    const fs::path midlets = programDir / "midlets";
    if (fs::is_directory(midlets, ec)) return ::access(midlets.c_str(), W_OK | X_OK) == 0;
    return !fs::exists(midlets, ec) && ::access(programDir.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

fs::path MidletsParentFor(const fs::path& programDir, const fs::path& documentsDir) {
    return MayWriteBooks(programDir) ? programDir : documentsDir / kDocumentsSubfolder;
}

TPrivateDirectory::TPrivateDirectory() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "quorix-maker-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(),
                                "cannot create a temporary directory");
    }
    path_ = pattern;
}

TPrivateDirectory::~TPrivateDirectory() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace quorix
