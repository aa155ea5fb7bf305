#include "Platform/Dispatch/WorkList.h"

#include <utility>

namespace quorvel::platform {

void WorkList::push(Block block) {
    ready_.push_back(std::move(block));
}

void WorkList::pushAfter(TimePoint deadline, Block block) {
    delayed_.emplace(deadline, std::move(block));
}

void WorkList::promoteDue(TimePoint now) {
    auto it = delayed_.begin();
    while (it != delayed_.end() && it->first <= now) {
        ready_.push_back(std::move(it->second));
        it = delayed_.erase(it);
    }
}

WorkList::Block WorkList::popReady() {
    if (ready_.empty()) {
        return {};
    }
    Block block = std::move(ready_.front());
    ready_.pop_front();
    return block;
}

std::optional<TimePoint> WorkList::nextDeadline() const {
    if (delayed_.empty()) {
        return std::nullopt;
    }
    return delayed_.begin()->first;
}

std::vector<WorkList::Block> WorkList::takeAll() {
    std::vector<Block> blocks;
    blocks.reserve(size());
    for (auto& block : ready_) {
        blocks.push_back(std::move(block));
    }
    ready_.clear();
    std::vector<Block> delayed = takeDelayed();
    for (auto& block : delayed) {
        blocks.push_back(std::move(block));
    }
    return blocks;
}

std::vector<WorkList::Block> WorkList::takeDelayed() {
    std::vector<Block> blocks;
    blocks.reserve(delayed_.size());
    for (auto& [deadline, block] : delayed_) {
        blocks.push_back(std::move(block));
    }
    delayed_.clear();
    return blocks;
}

}  // namespace quorvel::platform
