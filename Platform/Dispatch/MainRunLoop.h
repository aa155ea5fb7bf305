#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "Platform/Dispatch/Clock.h"
#include "Platform/Dispatch/EventPump.h"

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
//
// With an event pump installed (setEventPump; the user interface's application host installs
// one), the window system's events are part of the loop: after the due blocks and timers of a
// turn, the loop delivers the pending events, and if any was delivered it starts another turn, so
// blocks posted by event handlers run in the same drive call. run() and runUntil() wait inside the
// pump, and posting work, stop() and clock changes wake it.
class MainRunLoop {
public:
    MainRunLoop() = delete;

    // Runs the loop, sleeping while there is nothing to do, until stop() is called. A stop()
    // requested while no run() is active makes the next run() return as soon as it starts.
    static void run();
    // Makes the innermost run() return after the block it is running. Callable from any thread.
    static void stop();

    // Runs everything that is due now, including work queued by that work, and returns the number
    // of blocks run and timer fires. Does not wait for anything. With an event pump it also
    // delivers the pending events, and what they queue, until neither is left (at most
    // maxPumpRounds rounds of events, so that an event source that is always ready cannot hold it).
    static std::size_t runUntilIdle();
    static constexpr int maxPumpRounds = 100;

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

    // Installs the hooks of a window system's event loop; nullopt removes them. Call it on the
    // main thread while nothing drives the loop.
    static void setEventPump(std::optional<EventPump> pump);

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
