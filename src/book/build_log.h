// build_log.h - the append-only log a build reports through.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorix {

// The front end decides where lines go (log pane, standard output); the core
// only appends, one finished line at a time.
class TBuildLog {
  public:
    virtual ~TBuildLog() = default;
    virtual void Add(std::string_view line) = 0;
};

// Keeps the lines in memory: for tests and for front ends that show them later.
class TMemoryLog : public TBuildLog {
  public:
    void Add(std::string_view line) override { lines_.emplace_back(line); }
    const std::vector<std::string>& Lines() const { return lines_; }

  private:
    std::vector<std::string> lines_;
};

}  // namespace quorix
