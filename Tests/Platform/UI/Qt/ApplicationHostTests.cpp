#include <gtest/gtest.h>

#include <string>

#include "Support/ProgramRun.h"

namespace quorvel::platform {
namespace {

using testsupport::builtProgram;
using testsupport::runProgram;

// A host process on a machine without a display (see Tests/Programs/ui-host).
testsupport::ProgramRun runHost(const std::string& mode) {
    const auto program = builtProgram("ui-host");
    EXPECT_FALSE(program.empty()) << "ui-host is built next to the tests";
    return program.empty() ? testsupport::ProgramRun{} : runProgram(program, {mode});
}

TEST(ApplicationHostProcess, StartsOffScreenAgainAfterShuttingDown) {
    const auto run = runHost("restart");
    ASSERT_TRUE(run.exited) << "signal " << run.signal << "\n" << run.out << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out,
              "started: yes\noff-screen: yes\nwindow host: yes\npainted: yes\nshut down: yes\n"
              "started: yes\noff-screen: yes\nwindow host: yes\npainted: yes\n");
}

TEST(ApplicationHostProcess, ReturningFromMainWithoutShuttingDownExitsCleanly) {
    const auto run = runHost("no-shutdown");
    ASSERT_TRUE(run.exited) << "signal " << run.signal << "\n" << run.out << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out, "started: yes\noff-screen: yes\nwindow host: yes\npainted: yes\n");
}

}  // namespace
}  // namespace quorvel::platform
