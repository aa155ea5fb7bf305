#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

// The pending blocks of one queue: a FIFO of blocks ready to run and a set of delayed blocks kept
// in deadline order (equal deadlines in submission order). Delayed blocks join the tail of the
// FIFO once their deadline has passed. Not synchronised: its queue guards it with its own mutex.
class WorkList {
public:
    using Block = std::function<void()>;

    void push(Block block);
    void pushAfter(TimePoint deadline, Block block);

    // Moves every delayed block whose deadline is at or before `now` to the ready FIFO, earliest
    // deadline first.
    void promoteDue(TimePoint now);

    bool hasReady() const { return !ready_.empty(); }
    // Takes the oldest ready block; empty when none is ready.
    Block popReady();

    std::optional<TimePoint> nextDeadline() const;
    std::size_t delayedCount() const { return delayed_.size(); }
    std::size_t size() const { return ready_.size() + delayed_.size(); }

    // Hands back every pending block, ready and delayed, so the caller can destroy them outside
    // its lock.
    std::vector<Block> takeAll();
    // Hands back the delayed blocks only.
    std::vector<Block> takeDelayed();

private:
    std::deque<Block> ready_;
    // std::multimap keeps equal keys in insertion order, which gives ties their submission order.
    std::multimap<TimePoint, Block> delayed_;
};

}  // namespace quorvel::platform
