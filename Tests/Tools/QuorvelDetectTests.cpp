#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
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

// PNG bytes of `pixels`, quickly compressed.
std::vector<std::uint8_t> png(const cv::Mat& pixels) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(cv::imencode(".png", pixels, bytes, {cv::IMWRITE_PNG_COMPRESSION, 1}));
    return bytes;
}

TEST_F(QuorvelDetect, EachPictureThatCannotBeUsedSaysWhyAndNothingReachesStandardError) {
    auto write = [this](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        return scratch.write(name, bytes).string();
    };
    const auto whole = png(testing_vision::renderScene({}).image);
    const auto cut = write("cut.png", {whole.begin(), whole.begin() + whole.size() / 2});
    // A small PNG whose header claims 12000 x 9000 pixels.
    auto claimed = png(cv::Mat(16, 16, CV_8UC1, cv::Scalar(128)));
    for (const auto& [offset, value] : {std::pair{16, 12000}, std::pair{20, 9000}}) {
        for (int i = 0; i < 4; ++i) claimed[offset + i] = (value >> (24 - 8 * i)) & 0xff;
    }
    const auto overLimit = write("claims.png", claimed);
    const auto wide = write("wide.png", png(cv::Mat(1, 60000, CV_8UC1, cv::Scalar(200))));
    // A picture followed by zeros up to one byte over the size cap (sparse: no disk space).
    const auto huge = write("huge.png", whole);
    constexpr std::uintmax_t hugeSize = std::uintmax_t{256} * 1024 * 1024 + 1;
    std::filesystem::resize_file(huge, hugeSize);

    // A file whose reading fails (it can only be written).
    const std::string unreadable = "/proc/self/clear_refs";

    const auto result = run({cut, overLimit, wide, huge, unreadable});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "") << "no decoder's own error lines";
    const auto parsed = lines(result);
    ASSERT_EQ(parsed.size(), 5u) << result.out;
    const std::vector<std::pair<std::string, std::string>> expected{
        {"cannot decode: ", "truncated or corrupt"},
        {"too large: ", "12000 x 9000 pixels"},
        {"too large: ", "60000 x 1 pixels"},
        {"too large: ", "it holds " + std::to_string(hugeSize) + " bytes"},
        {"cannot read: ", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string error = parsed[i].value("error", "");
        EXPECT_EQ(error.rfind(expected[i].first, 0), 0u) << error;
        EXPECT_NE(error.find(expected[i].second), std::string::npos) << error;
        // The reason does not say the kind again.
        EXPECT_EQ(error.find("too large", 1), std::string::npos) << error;
        EXPECT_EQ(error.find("cannot be read"), std::string::npos) << error;
        EXPECT_EQ(parsed[i]["found"], false);
    }
}

TEST_F(QuorvelDetect, PicturesOfAnyDepthPeakAtMostTwiceTheirDecodedSize) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers keep freed memory and add their own";
#endif
    // What the program takes with a tiny picture is its own; the rest is the picture's.
    const auto tiny = scratch.write("tiny.png", png(cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(60))));
    const auto base = run({tiny.string()});
    ASSERT_EQ(base.exitCode, 0) << base.out;

    constexpr int width = 4000, height = 3000;
    constexpr long decodedKilobytes = long{width} * height * 4 / 1024;
    // 16-bit RGBA is the widest a PNG holds; 8-bit grey the narrowest.
    const std::vector<std::pair<std::string, int>> kinds{
        {"rgba16.png", CV_16UC4}, {"grey16.png", CV_16UC1}, {"grey8.png", CV_8UC1}};
    std::vector<std::string> paths;
    for (const auto& [name, type] : kinds) {
        const bool wide = CV_MAT_DEPTH(type) == CV_16U;
        cv::Mat picture(height, width, type, cv::Scalar::all(wide ? 16000 : 60));
        cv::rectangle(picture, cv::Rect(800, 500, 2400, 2000), cv::Scalar::all(wide ? 60000 : 230),
                      cv::FILLED);
        const auto path = (scratch.path() / name).string();
        ASSERT_TRUE(cv::imwrite(path, picture, {cv::IMWRITE_PNG_COMPRESSION, 1}));
        paths.push_back(path);
    }
    // A JPEG whose EXIF orientation (6) says it is shown turned: it is turned as it is decoded.
    {
        cv::Mat picture(height, width, CV_8UC3, cv::Scalar::all(60));
        cv::rectangle(picture, cv::Rect(800, 500, 2400, 2000), cv::Scalar::all(230), cv::FILLED);
        std::vector<std::uint8_t> jpeg;
        ASSERT_TRUE(cv::imencode(".jpg", picture, jpeg));
        const std::vector<std::uint8_t> exif{
            0xFF, 0xE1, 0,    34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
            1,    0,    0x12, 1,  3,   0,   1,   0,   0, 0, 6,   0,   0,  0, 0, 0, 0, 0};
        jpeg.insert(jpeg.begin() + 2, exif.begin(), exif.end());
        paths.push_back(scratch.write("turned.jpg", jpeg).string());
    }
    for (const auto& path : paths) {
        const auto result = run({path});
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        EXPECT_LE(result.peakResidentKilobytes - base.peakResidentKilobytes, 2 * decodedKilobytes)
            << path << ": " << result.peakResidentKilobytes << " KB against "
            << base.peakResidentKilobytes << " KB for a tiny picture";
    }
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
