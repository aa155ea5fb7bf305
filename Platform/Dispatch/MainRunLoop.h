#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "Platform/Dispatch/Clock.h"

namespace quorvel::platform {

class Timer;

// The run loop behind the main queue and the timers. Unlike a phone platform's main run loop it
// has no thread of its own: the host runs it with run() until stop(), tests drive it with
// runUntilIdle() or runUntil(). Whichever thread drives it becomes the main thread
// (DispatchQueue::isMainThread()); before anything drives it, the process's initial thread is.
//
// Only one thread drives the run loop at a time. A drive call made while another thread is driving
// returns at once without running anything. A block may drive the loop again from inside
// (nested), as a modal loop would.
//
// Each turn runs the main-queue blocks that are due (in submission order, delayed ones when their
// deadline has passed on Clock) and fires the timers that are due. A timer fires at most once per
// turn.
class MainRunLoop {
public:
    MainRunLoop() = delete;

    // Runs the loop, sleeping while there is nothing to do, until stop() is called. A stop()
    // requested while no run() is active makes the next run() return as soon as it starts.
    static void run();
    // Makes the innermost run() return after the block it is running. Callable from any thread.
    static void stop();

    // Runs everything that is due now, including work queued by that work, and returns the number
    // of blocks run and timer fires. Does not wait for anything.
    static std::size_t runUntilIdle();

    // Drives the loop until `predicate` (called on the driving thread before every block, and
    // every few milliseconds while idle) returns true, waiting for work from other threads, due
    // delayed work and timers. Gives up after `timeout` of real time, whichever clock is
    // installed. Returns the predicate's last answer.
    static bool runUntil(const std::function<bool()>& predicate, Duration timeout);

    // Whether the calling thread is the main thread.
    static bool isCurrent();

    // Drops every pending main-queue block and invalidates every timer; returns how many there
    // were. Lets a test start from an empty loop.
    static std::size_t discardPendingWork();

private:
    friend class MainDispatchQueue;
    friend class Timer;

    static void enqueue(std::function<void()> block);
    static void enqueueAfter(TimePoint deadline, std::function<void()> block);
    static void schedule(std::shared_ptr<Timer> timer);
    static void unschedule(const Timer& timer);

    static bool runOne(std::uint64_t turn, std::uint64_t& idleGeneration);
    static void waitForWork(std::uint64_t idleGeneration, std::optional<TimePoint> limit);
};

}  // namespace quorvel::platform
