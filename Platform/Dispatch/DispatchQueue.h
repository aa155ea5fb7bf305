#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/QualityOfService.h"

namespace quorvel::platform {

// A queue of blocks, standing in for a phone platform's dispatch queues. Three kinds exist:
//
// - The main queue (main()): served by the main run loop, which has no thread of its own. The host
//   runs it (MainRunLoop::run) and tests drive it (MainRunLoop::runUntilIdle / runUntil). The
//   thread that drives it is the main thread.
// - Serial queues (makeSerial()): one thread each, blocks run one at a time in submission order.
// - Global queues (global()): one small shared pool of threads per quality of service; blocks may
//   run concurrently and in any order.
//
// All members are thread-safe. Blocks must not throw: as on the platform, an exception escaping a
// block ends the process. Empty blocks are ignored.
//
// Delays are measured on Clock. Under a manual clock a delayed block runs once the clock has been
// advanced to or past its deadline and its queue gets a turn: background queues wake up by
// themselves when the clock moves; the main queue runs it on its next drive. Delayed blocks run in
// deadline order, blocks with the same deadline in submission order. A delayed block joins the
// tail of its queue when its deadline is reached (under a manual clock: as the clock is advanced
// past it), so blocks submitted after that run after it.
class DispatchQueue {
public:
    using Block = std::function<void()>;

    virtual ~DispatchQueue() = default;
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    // The main queue: always the same object.
    static std::shared_ptr<DispatchQueue> main();

    // A new serial queue with its own thread. When the last reference goes away, blocks that are
    // already due still run (in order) on the queue's thread and then the thread ends; delayed
    // blocks whose deadline has not come are destroyed without running. Releasing the last
    // reference from another thread waits for those due blocks; releasing it from one of the
    // queue's own blocks (or from the destruction of one) does not wait and is safe.
    static std::shared_ptr<DispatchQueue> makeSerial(
        std::string label, QualityOfService qos = QualityOfService::unspecified);

    // The global concurrent queue of a quality of service (unspecified means default), created on
    // first use with 2 to 4 threads and kept for the life of the process.
    static std::shared_ptr<DispatchQueue> global(
        QualityOfService qos = QualityOfService::defaultQoS);

    // Whether the caller runs on the main thread: the thread driving the main run loop, or the one
    // that drove it last; before the run loop has ever been driven, the process's initial thread.
    static bool isMainThread();

    const std::string& label() const { return label_; }
    QualityOfService qos() const { return qos_; }

    // Whether the calling thread is running a block of this queue (for the main queue: whether it
    // is the main thread). Meant for assertions about where code runs.
    virtual bool isCurrent() const = 0;

    // Schedules `block` and returns at once.
    void async(Block block);

    // Schedules `block` to run once Clock::now() has reached `deadline`.
    void asyncAfter(TimePoint deadline, Block block);

    // Schedules `block` to run `delay` after now, as measured on Clock.
    template <class Rep, class Period>
    void asyncAfter(std::chrono::duration<Rep, Period> delay, Block block) {
        asyncAfter(Clock::now() + toDuration(delay), std::move(block));
    }

    // Runs `block` on the queue and waits for it to finish. On a global queue the block runs on the
    // calling thread. Calling sync on a serial queue from one of its own blocks, or on the main
    // queue from the main thread, could never finish: as on the platform this is treated as a
    // programming error and ends the process with a message. Calling it on the main queue from
    // another thread waits until the main run loop is driven.
    virtual void sync(Block block);

protected:
    DispatchQueue(std::string label, QualityOfService qos);

    virtual void enqueue(Block block) = 0;
    virtual void enqueueAfter(TimePoint deadline, Block block) = 0;

    // Ends the process: a sync call that would wait for itself.
    [[noreturn]] void failDeadlockingSync() const;

private:
    std::string label_;
    QualityOfService qos_;
};

}  // namespace quorvel::platform
