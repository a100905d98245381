// lookahead.h - the items of a chain after the one in hand, made on a thread of their own.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace quorix {

// Where an item of the chain starts: its number in the chain, and what the maker is told of
// the item before it.
struct TChainStart {
    std::uintmax_t position = 0;
    std::uint64_t number = 0;
    std::size_t expected = 0;  // a guide for the maker, not part of where the item is
};

// A chain of items, each starting where the one before is thought to end. While the caller
// works on one item, a thread of its own makes the items after it, then works further on
// them, the one furthest ahead first, whose results the caller finds where `further` leaves
// them. When the caller asks for an item elsewhere than the chain foretold, the chain starts
// again from there and what was made for the old one is dropped.
template <typename TItem>
class TLookahead {
  public:
    using TMake = std::function<TItem(const TChainStart& start)>;
    // Where the item after `item` is thought to start, or nothing at the chain's end.
    using TNext =
        std::function<std::optional<TChainStart>(const TItem& item, const TChainStart& start)>;
    using TFurther = std::function<void(const TItem& item, const TChainStart& start)>;

    // `depth`: how many items the chain makes beyond the one in hand. `further` may be empty.
    TLookahead(TMake make, TNext next, TFurther further, std::size_t depth)
        : make_(std::move(make)),
          next_(std::move(next)),
          further_(std::move(further)),
          depth_(depth),
          worker_([this] { Work(); }) {}
    ~TLookahead() { Stop(); }
    TLookahead(const TLookahead&) = delete;
    TLookahead& operator=(const TLookahead&) = delete;

    // The item at `start`, made here when the chain has not begun it; an error met making
    // it is raised here.
    TItem Take(const TChainStart& start) {
        std::unique_lock lock(mutex_);
        if (!chain_.empty() && chain_.front().taken) chain_.pop_front();
        if (chain_.empty() || chain_.front().start.position != start.position ||
            chain_.front().start.number != start.number) {
            chain_.clear();
            ++epoch_;
            chain_.emplace_back(start);
        }
        TEntry& front = chain_.front();
        front.taken = true;
        if (!front.item && !front.error && !front.making) Make(lock, front);
        changed_.notify_all();
        changed_.wait(lock, [&front] { return front.item || front.error; });
        if (front.error) std::rethrow_exception(front.error);
        return *front.item;
    }

    // Ends the chain's work once what is under way is done; from then on, whatever the
    // makers share is the caller's alone.
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

  private:
    struct TEntry {
        explicit TEntry(const TChainStart& at) : start(at) {}
        TChainStart start;
        std::optional<TItem> item;
        std::exception_ptr error;
        bool making = false, furthered = false, taken = false;
    };

    TEntry* Find(std::uint64_t epoch, std::uint64_t number) {
        if (epoch != epoch_) return nullptr;
        for (TEntry& entry : chain_) {
            if (entry.start.number == number) return &entry;
        }
        return nullptr;
    }

    // Makes the entry's item; the lock is held on entry and on return.
    void Make(std::unique_lock<std::mutex>& lock, TEntry& entry) {
        entry.making = true;
        const std::uint64_t epoch = epoch_;
        const TChainStart start = entry.start;
        lock.unlock();
        std::optional<TItem> item;
        std::exception_ptr error;
        try {
            item = make_(start);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (TEntry* found = Find(epoch, start.number)) {
            found->item = std::move(item);
            found->error = error;
            found->making = false;
        }
        changed_.notify_all();
    }

    // The first item not yet made, once the one before it is; else one more item at the
    // chain's end; else further work on the item furthest ahead.
    bool WorkOnce(std::unique_lock<std::mutex>& lock) {
        bool madeBefore = true;
        for (TEntry& entry : chain_) {
            if (!entry.item && !entry.error) {
                if (!madeBefore || entry.making) break;
                Make(lock, entry);
                return true;
            }
            madeBefore = entry.item.has_value();
        }
        if (!chain_.empty() && chain_.size() <= depth_ && chain_.back().item) {
            if (auto start = next_(*chain_.back().item, chain_.back().start)) {
                chain_.emplace_back(*start);
                return true;
            }
        }
        if (!further_) return false;
        for (auto entry = chain_.rbegin(); entry != chain_.rend(); ++entry) {
            if (!entry->item || entry->taken || entry->furthered) continue;
            entry->furthered = true;
            const TItem item = *entry->item;
            const TChainStart start = entry->start;
            lock.unlock();
            try {
                further_(item, start);
            } catch (...) {
                // Whoever asks for that result meets the error again.
            }
            lock.lock();
            return true;
        }
        return false;
    }

    void Work() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!WorkOnce(lock)) changed_.wait(lock);
        }
    }

    const TMake make_;
    const TNext next_;
    const TFurther further_;
    const std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TEntry> chain_;  // in chain order; the front is the item taken last
    std::uint64_t epoch_ = 0;   // raised when the chain starts again
    bool stop_ = false;
    std::thread worker_;  // last: it starts once the rest is made
};

}  // namespace quorix
