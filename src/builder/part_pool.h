// part_pool.h - makes the parts of a build on several workers and finishes them in order.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "book/build_log.h"

namespace quorix {

// A part that failed because the disk had no room: made alone, without other parts' files
// beside it, it may fit.
class EPartOutOfSpace : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a made part still has to do on the build's own thread, in part order: put its
// outputs in place. Dropped unfinished (a part before it failed), it removes them.
class TPartDone {
  public:
    virtual ~TPartDone() = default;
    virtual void Finish(TBuildLog& log) = 0;
};

// The work of one part, split where the workers meet.
class TPartWork {
  public:
    virtual ~TPartWork() = default;
    // Called for one part at a time, in part order: takes the part's share of what the
    // workers have in common (its text). False when no later part can be taken.
    virtual bool Take(unsigned worker, std::uint64_t number) = 0;
    // Called beside the other workers: makes the taken part, reporting into `log`,
    // and returns what finishes it. A failure raises.
    virtual std::unique_ptr<TPartDone> Make(unsigned worker, std::uint64_t number,
                                            TBuildLog& log) = 0;
    // Called on the calling thread when the part becomes the next one to report, after
    // the lines of the part before it: a front end's progress.
    virtual void Announce(std::uint64_t /*number*/) {}
    // Makes `number` the next part Take gives, and drops what the workers hold of later
    // ones; false when it cannot.
    virtual bool Rewind(std::uint64_t /*number*/) { return false; }
};

// Makes parts 1..count with `workers` workers at once. On the calling thread the log
// lines of each part go out together, part after part, and each part is finished
// before the next one's lines; so the log and the outputs are those of one worker.
// A part that fails stops the parts not yet taken; parts after it that were already
// being made are dropped, and its failure is raised again here after its lines. A part
// that found no room on the disk is made again from there on by one worker, as a one-worker
// build would have made it, before the build gives up.
void RunPartPool(std::uint64_t count, unsigned workers, TPartWork& work, TBuildLog& log);

// The workers a build uses: `requested`, or one per available processor for 0; never
// more than there are parts, never fewer than one.
unsigned PartWorkers(unsigned requested, std::uint64_t parts);

}  // namespace quorix
