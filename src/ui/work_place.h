// work_place.h - where the window's books go and where a build keeps its temporary files.
#pragma once

#include <filesystem>

namespace quorix {

// The folder made in the documents folder when the program's own is not writable.
inline constexpr const char* kDocumentsSubfolder = "Quorix Maker";

// The directory in which "midlets" is made: the program's directory when this user may
// write there (a portable copy), otherwise documentsDir/"Quorix Maker" (an installed one).
std::filesystem::path MidletsParentFor(const std::filesystem::path& programDir,
                                       const std::filesystem::path& documentsDir);

// A new directory of one build's own under the system's temporary directory, removed
// with everything in it when the object goes.
class TPrivateDirectory {
  public:
    TPrivateDirectory();
    ~TPrivateDirectory();
    TPrivateDirectory(const TPrivateDirectory&) = delete;
    TPrivateDirectory& operator=(const TPrivateDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace quorix
