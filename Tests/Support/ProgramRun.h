#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::testsupport {

// How a program run by runProgram() ended.
struct ProgramRun {
    bool exited = false;  // Ended by exiting (else by a signal).
    int exitCode = -1;    // When exited.
    int signal = 0;       // When ended by a signal.
    std::string out;      // Everything it wrote to standard output...
    std::string err;      // ... and to standard error.
    // The most memory it had resident at once (at least what the test program had when it
    // started it: the child begins as a copy of it).
    long peakResidentKilobytes = 0;
};

// The program `name` built next to the running test program; empty when there is none.
std::filesystem::path builtProgram(std::string_view name);

// Runs `program` with `arguments` (and the test's environment and working directory), standard
// input empty, and waits for it to end. A program still running after twenty minutes (only a hung
// one) is ended with SIGALRM.
ProgramRun runProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments);

}  // namespace quorvel::testsupport
