#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support/ProgramRun.h"

namespace {

using quorvel::testsupport::builtProgram;
using quorvel::testsupport::runProgram;

TEST(QuorvelUiGallery, HelpIsPrintedWithoutOpeningTheWindowAndBadOptionsAreRefused) {
    const auto program = builtProgram("quorvel-ui-gallery");
    ASSERT_FALSE(program.empty()) << "quorvel-ui-gallery is built next to the tests";

    // The window would close after a second: help must come before it, and instead of it.
    const auto help = runProgram(program, {"--seconds", "1", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvel-ui-gallery", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    // Each also carries a good "--seconds 1", so that a refusal that does not come ends soon too.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--seconds", "1", "--frobnicate"},
          std::vector<std::string>{"--seconds", "1", "--seconds"},
          std::vector<std::string>{"--seconds", "soon", "--seconds", "1"}}) {
        const auto refused = runProgram(program, arguments);
        EXPECT_EQ(refused.exitCode, 2) << refused.err;
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find("usage: quorvel-ui-gallery"), std::string::npos) << refused.err;
    }
}

}  // namespace
