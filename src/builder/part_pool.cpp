// part_pool.cpp - workers take parts in order, make them side by side, and the calling
// thread finishes them in order.
#include "builder/part_pool.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "base/processors.h"

namespace quorix {

namespace {

// A taken part: its log lines and what finishes it, or what it failed with.
struct TSlot {
    TMemoryLog log;
    std::unique_ptr<TPartDone> done;
    std::exception_ptr error;
    bool ready = false;
};

class TPool {
  public:
    TPool(std::uint64_t count, unsigned workers, TPartWork& work, std::uint64_t first)
        : count_(count),
          workers_(workers),
          work_(work),
          // Made parts wait on disk for their turn; this bounds how many may wait.
          lookAhead_(2 * static_cast<std::uint64_t>(workers)),
          next_(first),
          finished_(first - 1) {}

    void Run(TBuildLog& log);
    // The part that found no room while other workers' parts shared the disk; 0 for none.
    std::uint64_t Crowded() const { return crowded_; }

  private:
    void Work(unsigned worker);
    // The next part for `worker`, taken under the lock; 0 when there is none.
    std::uint64_t TakeNext(unsigned worker, std::unique_lock<std::mutex>& lock);
    void FinishInOrder(TBuildLog& log);
    void Stop();

    const std::uint64_t count_;
    const unsigned workers_;
    TPartWork& work_;
    const std::uint64_t lookAhead_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::uint64_t, TSlot> slots_;  // taken and not yet finished
    std::uint64_t next_;                    // the next part to take
    std::uint64_t finished_;                // parts finished on the calling thread
    std::uint64_t crowded_ = 0;             // see Crowded()
    unsigned running_ = 0;                  // workers still taking parts
    bool stop_ = false;
};

std::uint64_t TPool::TakeNext(unsigned worker, std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock,
                  [this] { return stop_ || next_ > count_ || next_ <= finished_ + lookAhead_; });
    if (stop_ || next_ > count_) {
        return 0;
    }
    const std::uint64_t number = next_++;
    TSlot& slot = slots_[number];
    try {
        if (!work_.Take(worker, number)) {
            stop_ = true;
        }
    } catch (...) {
        slot.error = std::current_exception();
        slot.ready = true;
        stop_ = true;
        changed_.notify_all();
        return 0;
    }
    return number;
}

void TPool::Work(unsigned worker) {
    std::unique_lock lock(mutex_);
    while (std::uint64_t number = TakeNext(worker, lock)) {
        // The map's nodes stay where they are while others are added.
        TSlot& slot = slots_[number];
        lock.unlock();
        std::unique_ptr<TPartDone> done;
        std::exception_ptr error;
        try {
            done = work_.Make(worker, number, slot.log);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        slot.done = std::move(done);
        slot.error = error;
        slot.ready = true;
        if (error) {
            stop_ = true;
        }
        changed_.notify_all();
    }
    --running_;
    changed_.notify_all();
}

bool OutOfSpace(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EPartOutOfSpace&) {
        return true;
    } catch (...) {
        return false;
    }
}

void TPool::FinishInOrder(TBuildLog& log) {
    for (std::uint64_t number = finished_ + 1; number <= count_; ++number) {
        work_.Announce(number);
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this, number] {
            auto found = slots_.find(number);
            return found != slots_.end() ? found->second.ready : running_ == 0;
        });
        auto found = slots_.find(number);
        if (found == slots_.end()) {
            return;  // never taken: an earlier part said no later one could be
        }
        TSlot slot = std::move(found->second);
        slots_.erase(found);
        lock.unlock();
        if (!slot.error) {
            try {
                slot.done->Finish(slot.log);
            } catch (...) {
                slot.error = std::current_exception();
            }
        }
        if (slot.error && workers_ > 1 && OutOfSpace(slot.error)) {
            crowded_ = number;  // its lines come from the one worker that makes it again
            std::rethrow_exception(slot.error);
        }
        for (const std::string& line : slot.log.Lines()) {
            log.Add(line);
        }
        if (slot.error) {
            std::rethrow_exception(slot.error);
        }
        lock.lock();
        ++finished_;
        changed_.notify_all();
    }
}

void TPool::Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
}

void TPool::Run(TBuildLog& log) {
    running_ = workers_;
    std::exception_ptr failure;
    {
        std::vector<std::jthread> threads;
        threads.reserve(workers_);
        for (unsigned w = 0; w < workers_; ++w) {
            threads.emplace_back([this, w] { Work(w); });
        }
        try {
            FinishInOrder(log);
        } catch (...) {
            failure = std::current_exception();
        }
        Stop();
    }  // the workers are joined here
    // Parts made after a failure are dropped, and with them their outputs.
    slots_.clear();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace

void RunPartPool(std::uint64_t count, unsigned workers, TPartWork& work, TBuildLog& log) {
    TPool pool(count, std::max(workers, 1u), work, 1);
    try {
        pool.Run(log);
    } catch (const EPartOutOfSpace&) {
        // The parts after it are gone with their files; alone, the part may fit.
        if (pool.Crowded() == 0 || !work.Rewind(pool.Crowded())) throw;
        TPool(count, 1, work, pool.Crowded()).Run(log);
    }
}

unsigned PartWorkers(unsigned requested, std::uint64_t parts) {
    const unsigned wanted = requested != 0 ? requested : AvailableProcessors();
    return static_cast<unsigned>(
        std::clamp<std::uint64_t>(std::min<std::uint64_t>(wanted, parts), 1, 1024));
}

}  // namespace quorix
