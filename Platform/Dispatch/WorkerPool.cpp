#include "Platform/Dispatch/WorkerPool.h"

#include <pthread.h>

#include <algorithm>
#include <utility>

namespace quorvel::platform {
namespace {

thread_local const WorkerPool* currentPool = nullptr;

void nameThread(const std::string& name) {
    // Linux limits thread names to 15 characters.
    const std::string shortName = name.substr(0, 15);
    pthread_setname_np(pthread_self(), shortName.c_str());
}

}  // namespace

WorkerPool::CurrentScope::CurrentScope(const WorkerPool* pool) : previous_(currentPool) {
    currentPool = pool;
}

WorkerPool::CurrentScope::~CurrentScope() {
    currentPool = previous_;
}

std::shared_ptr<WorkerPool> WorkerPool::start(const std::string& name, std::size_t threadCount) {
    std::shared_ptr<WorkerPool> pool(new WorkerPool);
    Clock::addObserver(pool);
    threadCount = std::max<std::size_t>(threadCount, 1);
    pool->threads_.reserve(threadCount);
    for (std::size_t i = 0; i < threadCount; ++i) {
        // Each thread keeps the pool alive until it has finished.
        pool->threads_.emplace_back([self = pool, name] {
            nameThread(name);
            self->work();
        });
    }
    return pool;
}

WorkerPool::~WorkerPool() {
    // Normally shutdown() has joined or detached every thread. A pool is destroyed without it only
    // when its last thread releases it, which cannot happen before shutdown.
    for (auto& thread : threads_) {
        if (thread.joinable()) {
            thread.detach();
        }
    }
}

void WorkerPool::enqueue(Block block) {
    if (!block) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            // Delayed blocks whose deadline has passed go first: they became due before this one
            // was submitted.
            work_.promoteDue(Clock::now());
            work_.push(std::move(block));
            ++generation_;
        }
    }
    wake_.notify_one();
    // A block refused while stopping is destroyed here, outside the lock.
}

void WorkerPool::enqueueAfter(TimePoint deadline, Block block) {
    if (!block) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (!stopping_) {
            work_.pushAfter(deadline, std::move(block));
            ++generation_;
        }
    }
    // Every waiting thread recomputes its deadline; one of them takes the block when it is due.
    wake_.notify_all();
}

void WorkerPool::shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        stopping_ = true;
        ++generation_;
    }
    wake_.notify_all();
    const bool fromOwnThread = isCurrent();
    for (auto& thread : threads_) {
        if (!thread.joinable()) {
            continue;
        }
        if (fromOwnThread) {
            thread.detach();
        } else {
            thread.join();
        }
    }
}

bool WorkerPool::isCurrent() const {
    return currentPool == this;
}

void WorkerPool::clockDidChange() {
    {
        std::lock_guard lock(mutex_);
        // Blocks that the change made due join the queue now, ahead of anything submitted later.
        work_.promoteDue(Clock::now());
        ++generation_;
    }
    wake_.notify_all();
}

void WorkerPool::work() {
    CurrentScope scope(this);
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.promoteDue(Clock::now());
        if (work_.hasReady()) {
            Block block = work_.popReady();
            lock.unlock();
            block();
            // Destroy the block's captures before taking the lock again: releasing them may run
            // arbitrary code, including the destruction of this pool's queue.
            block = nullptr;
            lock.lock();
            continue;
        }
        if (stopping_) {
            break;
        }
        // The generation is read under the same lock as the clock above, so a clock change or a
        // new block after this point always ends the wait.
        const std::uint64_t seen = generation_;
        const auto changed = [this, seen] { return generation_ != seen || stopping_; };
        const std::optional<TimePoint> next = work_.nextDeadline();
        if (next && !Clock::isManual()) {
            wake_.wait_until(lock, *next, changed);
        } else {
            wake_.wait(lock, changed);
        }
    }
    std::vector<Block> dropped = work_.takeDelayed();
    lock.unlock();
    dropped.clear();
}

}  // namespace quorvel::platform
