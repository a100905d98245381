// worker_trees.h - temporary trees for the workers beyond the first.
#pragma once

#include <filesystem>
#include <vector>

namespace quorix {

// Each tree is made beside the build's temporary directory, as a copy of it as it stands
// before the first part (the reader's class files and anything else found there, with
// their times), so that every worker packs the same files. The trees go when this does.
class TWorkerTrees {
  public:
    TWorkerTrees() = default;
    ~TWorkerTrees();
    TWorkerTrees(const TWorkerTrees&) = delete;
    TWorkerTrees& operator=(const TWorkerTrees&) = delete;

    // A new tree holding a copy of `tempDir`; failures raise the runtime's I/O message.
    std::filesystem::path Add(const std::filesystem::path& tempDir);

  private:
    std::vector<std::filesystem::path> trees_;
};

}  // namespace quorix
