#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/ClockObserver.h"
#include "Platform/Dispatch/WorkList.h"

namespace quorvel::platform {

// A fixed set of threads serving one WorkList: with one thread it is a serial queue, with several
// a concurrent one. Delayed blocks are measured on Clock; under a manual clock the threads sleep
// until the clock is advanced (they observe it) instead of waiting on real time.
class WorkerPool final : public ClockObserver, public std::enable_shared_from_this<WorkerPool> {
public:
    using Block = std::function<void()>;

    // Starts `threadCount` (at least one) threads named after `name`.
    static std::shared_ptr<WorkerPool> start(const std::string& name, std::size_t threadCount);

    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void enqueue(Block block);
    void enqueueAfter(TimePoint deadline, Block block);

    // Stops the threads once the work that is due has run; delayed blocks not yet due are
    // destroyed without running. Waits for the threads, unless it is called from one of them, in
    // which case they are detached and finish on their own.
    void shutdown();

    // Whether the calling thread is running a block of this pool.
    bool isCurrent() const;

    void clockDidChange() override;

    // Marks the calling thread as running blocks of `pool` for the lifetime of the scope.
    class CurrentScope {
    public:
        explicit CurrentScope(const WorkerPool* pool);
        ~CurrentScope();
        CurrentScope(const CurrentScope&) = delete;
        CurrentScope& operator=(const CurrentScope&) = delete;

    private:
        const WorkerPool* previous_;
    };

private:
    WorkerPool() = default;
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    WorkList work_;
    bool stopping_ = false;
    std::uint64_t generation_ = 0;
    std::vector<std::thread> threads_;
};

}  // namespace quorvel::platform
