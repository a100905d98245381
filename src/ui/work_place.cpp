// work_place.cpp - the window's working place: where its books go.
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

}  // namespace quorix
