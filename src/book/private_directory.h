// private_directory.h - a directory of one build's own under the system's temporary directory.
#pragma once

#include <filesystem>

#include "base/open_file.h"

namespace quorix {

// A new directory "quorix-maker-XXXXXX" under TMPDIR (or /tmp) that its process holds locked
// for as long as this object lives, so that parallel builds never share files and a later
// start can tell a dead build's tree from a running one's. Making one first removes the trees
// of this user's builds that died (killed, or the machine went down) and left them behind.
class TPrivateDirectory {
  public:
    // Raises std::runtime_error "Can not create tempopary directory <base>/quorix-maker-XXXXXX".
    TPrivateDirectory();
    // Removes the tree with everything in it, unless it is kept. It needs no descriptor but
    // the one it holds and one to list a directory, so a build that ran out of descriptors
    // still leaves nothing behind.
    ~TPrivateDirectory();
    TPrivateDirectory(const TPrivateDirectory&) = delete;
    TPrivateDirectory& operator=(const TPrivateDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Leaves the tree in place for the user, and never to be taken for a dead build's.
    void Keep();

  private:
    std::filesystem::path path_;
    TOpenFile fd_;  // the tree, open and locked for its whole life
    bool kept_ = false;
};

}  // namespace quorix
