#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform::testing {

// Starts and ends every test with an empty main run loop, so that work or timers left behind by
// one test never run in another.
class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override { MainRunLoop::discardPendingWork(); }
    void TearDown() override { MainRunLoop::discardPendingWork(); }

    // Drives the main run loop until `predicate` holds. The limit only keeps a broken test from
    // hanging; passing tests never get near it.
    static bool driveUntil(const std::function<bool()>& predicate) {
        return MainRunLoop::runUntil(predicate, std::chrono::seconds(20));
    }
};

}  // namespace quorvel::platform::testing
