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

class QuorvelEval : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(program.empty()) << "quorvel-eval is built next to the tests";
        ASSERT_FALSE(builtProgram("quorvel-detect").empty()) << "and so is quorvel-detect";
    }

    // A set folder with one photo of a page, "page.png", and the ground truth `truth`; when
    // `truth` is null, its entry for the photo.
    std::string writeSet(const std::string& name, const nlohmann::json& truth = nullptr) const {
        const auto folder = scratch.makeDirectory(name);
        const auto scene = testing_vision::renderScene({});
        EXPECT_TRUE(cv::imwrite((folder / "page.png").string(), scene.image));
        nlohmann::json corners = nlohmann::json::array();
        for (const auto& corner : scene.corners) corners.push_back({corner.x, corner.y});
        const nlohmann::json entry = {{"file", "page.png"},
                                      {"width", scene.image.cols},
                                      {"height", scene.image.rows},
                                      {"document", true},
                                      {"corners", corners}};
        const nlohmann::json document =
            truth.is_null() ? nlohmann::json{{"images", nlohmann::json::array({entry})}} : truth;
        scratch.write(name + "/ground-truth.json", document.dump());
        return folder.string();
    }

    ProgramRun run(const std::vector<std::string>& arguments) const {
        return runProgram(program, arguments);
    }

    const std::filesystem::path program = builtProgram("quorvel-eval");
    TemporaryBundle scratch{"Sets"};
};

TEST_F(QuorvelEval, MarkedSetIsMeasuredAndExitsZero) {
    const auto set = writeSet("good");
    const auto result = run({set});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("-- good: pages=1 meanIoU=0.9"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("misses=0"), std::string::npos) << result.out;
}

TEST_F(QuorvelEval, WrongTypesInTheGroundTruthAreReportedAndTheRestIsMeasured) {
    const auto good = nlohmann::json::parse(
        std::string(R"({"file": "page.png", "width": 960, "height": 720, "corners": )") +
        R"([[250, 140], [700, 110], [740, 640], [210, 610]]})");
    auto wrongWidth = good;
    wrongWidth["width"] = "x";
    auto wrongCorner = good;
    wrongCorner["corners"][2] = {"a", 1};
    auto wrongFile = good;
    wrongFile["file"] = 7;
    auto wrongDocument = good;
    wrongDocument["document"] = "yes";
    const auto set = writeSet(
        "typed", {{"images", {wrongWidth, wrongCorner, wrongFile, wrongDocument, 3, good}}});
    const auto result = run({set});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1);
    for (const char* complaint :
         {"image 1: \"width\" is not a positive number", "image 2: \"corners\" are not four",
          "image 3: \"file\" is not a file name", "image 4: \"document\" is not true or false",
          "image 5: not an object"}) {
        EXPECT_NE(result.err.find(complaint), std::string::npos) << complaint << "\n" << result.err;
    }
    EXPECT_NE(result.out.find("-- typed: pages=1 meanIoU=0.9"), std::string::npos) << result.out;
}

TEST_F(QuorvelEval, MissingFolderOrUnreadableGroundTruthGivesExitStatusOne) {
    const auto good = writeSet("good");
    const auto malformed = scratch.makeDirectory("malformed").string();
    scratch.write("malformed/ground-truth.json", "{\"images\": [");
    const auto notAList = writeSet("notAList", {{"images", 3}});
    const auto bare = scratch.makeDirectory("bare").string();
    const std::string missing = (scratch.path() / "missing").string();
    for (const auto& set : {missing, malformed, notAList, bare}) {
        const auto result = run({good, set});
        ASSERT_TRUE(result.exited) << set << ": signal " << result.signal;
        EXPECT_EQ(result.exitCode, 1) << set;
        EXPECT_NE(result.err.find(set), std::string::npos) << "names the set: " << result.err;
        EXPECT_NE(result.out.find("-- good:"), std::string::npos) << "the good set is measured";
    }
}

TEST_F(QuorvelEval, ImageTheDetectorCannotReadIsAFailure) {
    const auto set = writeSet("broken");
    scratch.write("broken/page.png", "not a picture");
    const auto result = run({set});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("page.png: cannot decode"), std::string::npos) << result.err;
}

TEST_F(QuorvelEval, SetOfThousandsOfImagesIsMeasuredAndUnreadableImagesAreNoMisses) {
    // More names than one command line holds: 3,000 missing images with long names besides the
    // photo of a page.
    const auto scene = testing_vision::renderScene({});
    nlohmann::json corners = nlohmann::json::array();
    for (const auto& corner : scene.corners) corners.push_back({corner.x, corner.y});
    nlohmann::json images = nlohmann::json::array();
    const std::string padding(60, 'x');
    for (int i = 0; i < 3000; ++i) {
        images.push_back({{"file", "missing-" + std::to_string(i) + padding + ".png"},
                          {"width", scene.image.cols},
                          {"height", scene.image.rows},
                          {"corners", corners}});
    }
    images.push_back({{"file", "page.png"},
                      {"width", scene.image.cols},
                      {"height", scene.image.rows},
                      {"corners", corners}});
    const auto set = writeSet("big", {{"images", images}});
    const auto result = run({set});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 1) << "the missing images could not be measured";
    EXPECT_EQ(result.err.find("cannot run"), std::string::npos) << result.err.substr(0, 2000);
    EXPECT_NE(result.err.find("missing-2999" + padding + ".png: cannot read"), std::string::npos);
    EXPECT_NE(result.out.find("-- big: pages=1 meanIoU=0.9"), std::string::npos)
        << result.out.substr(result.out.size() - std::min<size_t>(result.out.size(), 2000));
    EXPECT_NE(result.out.find("misses=0 falsePositives=0/0 unreadable=3000"), std::string::npos);
}

TEST_F(QuorvelEval, NamesWithControlCharactersCannotForgeALineOfEitherTool) {
    const std::string forged = "\nforged: pages=9 meanIoU=1.0000";
    const std::string escaped = "\\nforged: pages=9 meanIoU=1.0000";
    // A set that cannot be read, and one whose marked image the detector cannot read.
    const auto unreadableSet = scratch.makeDirectory("bare" + forged).string();
    const auto set = writeSet(
        "named", {{"images", {{{"file", "missing" + forged + ".png"}, {"document", false}}}}});
    const auto eval = run({unreadableSet, set});
    EXPECT_EQ(eval.exitCode, 1);
    const auto detect = runProgram(builtProgram("quorvel-detect"), {"-x" + forged});
    EXPECT_EQ(detect.exitCode, 2);

    for (const auto& printed : {eval.out, eval.err, detect.out, detect.err}) {
        std::istringstream lines(printed);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_NE(line.rfind("forged", 0), 0u) << "a line of its own: " << printed;
        }
    }
    const std::string readable = scratch.path().string() + "/bare" + escaped;
    EXPECT_NE(eval.err.find("quorvel-eval: " + readable + ": cannot read ground-truth.json\n"),
              std::string::npos)
        << eval.err;
    EXPECT_NE(eval.err.find("/named/missing" + escaped + ".png: cannot read: "), std::string::npos)
        << eval.err;
    EXPECT_NE(eval.out.find("missing" + escaped + ".png"), std::string::npos) << eval.out;
    EXPECT_NE(detect.err.find("quorvel-detect: unknown option -x" + escaped + "\n"),
              std::string::npos)
        << detect.err;
}

TEST_F(QuorvelEval, HelpAndNoArgumentsAreUsage) {
    const auto help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvel-eval", 0), 0u) << help.out;
    const auto none = run({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("usage: quorvel-eval"), std::string::npos);
}

}  // namespace
