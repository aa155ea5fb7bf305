#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "Support/DocumentScene.h"
#include "Support/ProgramRun.h"
#include "Support/TemporaryBundle.h"

namespace {

using quorvel::testsupport::builtProgram;
using quorvel::testsupport::ProgramRun;
using quorvel::testsupport::runProgram;
using quorvel::testsupport::TemporaryBundle;

class QuorvelDetect : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(program.empty()) << "quorvel-detect is built next to the tests";
    }

    // A photo of a page, as PNG, at `name` in the scratch folder.
    std::string writePage(const std::string& name) const {
        const auto path = scratch.path() / name;
        EXPECT_TRUE(cv::imwrite(path.string(), testing_vision::renderScene({}).image));
        return path.string();
    }

    ProgramRun run(const std::vector<std::string>& arguments) const {
        return runProgram(program, arguments);
    }

    // The JSON lines of standard output.
    static std::vector<nlohmann::json> lines(const ProgramRun& run) {
        std::vector<nlohmann::json> parsed;
        std::istringstream in(run.out);
        for (std::string line; std::getline(in, line);) {
            parsed.push_back(nlohmann::json::parse(line, nullptr, false));
        }
        return parsed;
    }

    const std::filesystem::path program = builtProgram("quorvel-detect");
    TemporaryBundle scratch{"Images"};
};

TEST_F(QuorvelDetect, FileNameThatIsNotUtf8IsReportedAndTheImagesAfterItAreProcessed) {
    const auto odd = writePage("page-\xFF.png");
    const auto page = writePage("page.png");
    const auto result = run({odd, page});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const auto parsed = lines(result);
    ASSERT_EQ(parsed.size(), 2u) << result.out;
    EXPECT_EQ(parsed[0]["image"], (scratch.path() / "page-\xEF\xBF\xBD.png").string())
        << "the invalid byte is written as U+FFFD";
    EXPECT_EQ(parsed[0]["found"], true);
    EXPECT_EQ(parsed[1]["image"], page);
    EXPECT_EQ(parsed[1]["found"], true);
    EXPECT_EQ(parsed[1]["corners"].size(), 4u);
}

TEST_F(QuorvelDetect, EachFailureHasItsOwnMessageAndAnyFailureMakesTheExitStatusOne) {
    const auto missing = (scratch.path() / "missing.jpg").string();
    const auto folder = scratch.makeDirectory("folder").string();
    const auto fifo = scratch.makeFifo("pipe.jpg").string();
    const auto text = scratch.write("text.jpg", "not a picture").string();
    const auto page = writePage("page.png");
    const auto result = run({missing, folder, fifo, text, page});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "") << "nothing but the JSON lines, on standard output";
    const auto parsed = lines(result);
    ASSERT_EQ(parsed.size(), 5u) << result.out;
    const std::vector<std::pair<std::string, std::string>> expected{
        {missing, "cannot read: No such file or directory"},
        {folder, "not a regular file"},
        {fifo, "not a regular file"},
        {text, "cannot decode: the data is neither a JPEG nor a PNG image"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(parsed[i]["image"], expected[i].first);
        EXPECT_EQ(parsed[i]["error"], expected[i].second) << expected[i].first;
        EXPECT_EQ(parsed[i]["found"], false);
        EXPECT_EQ(parsed[i]["corners"], nlohmann::json::array());
    }
    EXPECT_FALSE(parsed[4].contains("error"));
    EXPECT_EQ(parsed[4]["found"], true);
}

TEST_F(QuorvelDetect, ImageWithoutAPageIsNoFailure) {
    testing_vision::SceneOptions options;
    options.withPage = false;
    const auto path = (scratch.path() / "desk.png").string();
    ASSERT_TRUE(cv::imwrite(path, testing_vision::renderScene(options).image));
    const auto result = run({path});
    EXPECT_EQ(result.exitCode, 0);
    const auto parsed = lines(result);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0]["found"], false);
    EXPECT_FALSE(parsed[0].contains("error"));
}

TEST_F(QuorvelDetect, HelpAndBadOptionsAreNotTakenForImages) {
    const auto help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvel-detect", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{},
          std::vector<std::string>{"--frobnicate", writePage("a.png")}}) {
        const auto refused = run(arguments);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find("usage: quorvel-detect"), std::string::npos) << refused.err;
    }

    // After "--" every argument is an image, whatever it looks like.
    const auto named = run({"--", "--help"});
    EXPECT_EQ(named.exitCode, 1);
    const auto parsed = lines(named);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0]["image"], "--help");
    EXPECT_EQ(parsed[0]["error"], "cannot read: No such file or directory");
}

}  // namespace
