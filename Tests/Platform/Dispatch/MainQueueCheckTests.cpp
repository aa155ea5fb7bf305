#include <gtest/gtest.h>

#include <thread>

#include "Platform/Dispatch/DispatchQueue.h"
#include "Platform/Dispatch/MainQueueCheck.h"
#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform {
namespace {

TEST(MainQueueCheckTest, PassesOnTheMainQueueAndInBlocksItRuns) {
    EXPECT_TRUE(MainQueueCheck::passes());
    MainQueueCheck::require("a main-queue call");
    bool passed = false;
    DispatchQueue::main()->async([&] { passed = MainQueueCheck::passes(); });
    MainRunLoop::runUntilIdle();
    EXPECT_TRUE(passed);
}

TEST(MainQueueCheckTest, ElsewhereItFailsOnlyInBuildsThatCheck) {
    bool passed = true;
    auto queue = DispatchQueue::makeSerial("elsewhere");
    queue->sync([&] { passed = MainQueueCheck::passes(); });
    EXPECT_EQ(passed, !MainQueueCheck::enabled());
}

TEST(MainQueueCheckDeathTest, CallOnAnotherThreadStopsTheProgramNamingTheCall) {
    if (!MainQueueCheck::enabled()) GTEST_SKIP() << "this build does not check the main queue";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            std::thread other([] { MainQueueCheck::require("View::setFrame"); });
            other.join();
        },
        "View::setFrame must be called on the main queue");
}

}  // namespace
}  // namespace quorvel::platform
