#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CaptureDemo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(program.empty()) << "capture-demo is built next to the tests";
    }

    ProgramRun run(std::vector<std::string> arguments) const {
        // The demo's own time limit is only a guard here: every run ends on an event first.
        if (std::find(arguments.begin(), arguments.end(), "--timeout") == arguments.end()) {
            arguments.insert(arguments.end(), {"--timeout", "900"});
        }
        return runProgram(program, arguments);
    }

    // A plain grey picture of `width` × `height` pixels: no page in it.
    std::string writePicture(const std::string& name, int width, int height) const {
        const auto path = (scratch.path() / name).string();
        EXPECT_TRUE(cv::imwrite(path, cv::Mat(height, width, CV_8UC3, cv::Scalar(200, 200, 200))));
        return path;
    }

    const std::filesystem::path program = builtProgram("capture-demo");
    TemporaryBundle scratch{"Demo"};
};

TEST_F(CaptureDemo, ManualPhotoOfTheSimulatedPageIsWritten) {
    const auto out = scratch.path() / "pages";
    const auto result = run({"--manual", "0", "--out", out.string()});
    ASSERT_TRUE(result.exited) << "signal " << result.signal;
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-1.jpg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-1-filtered.jpg"));
}

TEST_F(CaptureDemo, OutputFolderThatCannotBeMadeIsReportedBeforeAnythingIsCaptured) {
    const auto file = scratch.write("file", "x");
    const auto result = run({"--manual", "0", "--out", (file / "pages").string()});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "cannot make the output folder " + (file / "pages").string() +
                                         ": Not a directory"))
        << result.err;
    EXPECT_FALSE(contains(result.out, "photo requested")) << result.out;
}

// Runs the demo with every file it writes limited to `blocks` × 512 bytes, as on a disk that fills
// up. A write beyond that raises SIGXFSZ, which ends a program that does not ignore it. (Its
// standard output and error, files too, stay far below that.)
ProgramRun runWithFileSizeLimit(const std::filesystem::path& program, int blocks,
                                std::vector<std::string> arguments) {
    arguments.insert(
        arguments.begin(),
        {"-c", "ulimit -f " + std::to_string(blocks) + R"( && exec "$0" "$@")", program.string()});
    arguments.insert(arguments.end(), {"--timeout", "900"});
    return runProgram("/bin/sh", arguments);
}

TEST_F(CaptureDemo, OutputThatCannotBeWrittenSaysWhyAndLeavesNoHalfWrittenFile) {
    // No file can be made in /proc, whoever runs the demo: refused before the session.
    const auto refused = run({"--manual", "0", "--out", "/proc"});
    ASSERT_TRUE(refused.exited) << "signal " << refused.signal << "\n" << refused.err;
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(contains(refused.err, "capture-demo: cannot write in the output folder /proc: "))
        << refused.err;
    EXPECT_FALSE(contains(refused.out, "simulated camera")) << "refused first: " << refused.out;

    // The disk fills up during the session: every screenshot and page fails, saying why, and none
    // stays behind cut short.
    const auto out = scratch.makeDirectory("filling");
    const auto result =
        runWithFileSizeLimit(program, 128, {"--manual", "0", "--out", out.string()});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.out, "could not write page 1: " + (out / "page-1.jpg").string() +
                                         ": File too large"))
        << result.out;
    std::istringstream lines(result.out);
    int screenshots = 0;
    for (std::string line; std::getline(lines, line);) {
        if (contains(line, "could not write the screenshot " + out.string())) {
            ++screenshots;
            EXPECT_TRUE(contains(line, ".png: File too large")) << line;
        }
    }
    EXPECT_GT(screenshots, 0) << result.out;
    // A screenshot small enough for the limit may be written; whatever is left is whole.
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
        const std::string pngEnd("IEND\xAE\x42\x60\x82", 8);
        const bool whole = entry.path().extension() == ".png" && bytes.size() >= pngEnd.size() &&
                           bytes.compare(bytes.size() - pngEnd.size(), pngEnd.size(), pngEnd) == 0;
        EXPECT_TRUE(whole) << "left behind: " << entry.path() << " (" << bytes.size() << " bytes)";
    }
}

TEST_F(CaptureDemo, CameraThatCannotBeOpenedIsReportedWithTheReason) {
    const auto file = scratch.write("video0", "not a camera");
    const std::pair<std::string, std::string> cases[] = {
        {(scratch.path() / "video9").string(), "No such file or directory"},
        {file.string(), "not a device"},
        {"/dev/null", "not a video device"},
    };
    for (const auto& [device, reason] : cases) {
        const auto result = run({"--device", device});
        EXPECT_EQ(result.exitCode, 1) << device;
        EXPECT_TRUE(contains(result.err, "cannot open " + device + ": " + reason)) << result.err;
    }
}

TEST_F(CaptureDemo, BadArgumentsAreRefusedWithTheReason) {
    const auto picture = writePicture("grey.png", 64, 48);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--manual", "abc"}, "--manual needs a number of seconds, not 'abc'"},
        {{"--manual", "2s"}, "--manual needs a number of seconds, not '2s'"},
        {{"--manual", "-1"}, "--manual needs a number of seconds, not '-1'"},
        {{"--timeout", "0"}, "--timeout needs a number of seconds above 0, not '0'"},
        {{"--timeout", "1e10"}, "--timeout can be at most 86400 seconds (a day), not '1e10'"},
        {{"--photo", picture, "--photos", scratch.path().string()},
         "give one of --photo, --photos and --device"},
        {{"--photo", picture, "--photo", picture}, "--photo is given twice"},
        {{"--manual", "5", "--timeout", "5"}, "--manual 5 comes at or after --timeout 5"},
        {{"--out"}, "--out needs a value"},
        {{"--photo", "--manual", "2"}, "--photo needs a value"},
        {{"--photos", "--help"}, "--photos needs a value"},
        {{"--frobnicate"}, "unknown argument '--frobnicate'"},
    };
    for (const auto& [arguments, complaint] : cases) {
        const auto result = runProgram(program, arguments);
        EXPECT_EQ(result.exitCode, 2) << complaint;
        EXPECT_TRUE(contains(result.err, "capture-demo: " + complaint)) << result.err;
        EXPECT_TRUE(contains(result.err, "usage: capture-demo")) << result.err;
        EXPECT_EQ(result.out, "") << complaint;
    }
    const auto help = runProgram(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: capture-demo", 0), 0u) << help.out;
}

TEST_F(CaptureDemo, PictureWithoutAPageSaysWhyNothingWasCaptured) {
    for (const auto& [picture, size] :
         {std::pair{writePicture("tiny.png", 2, 2), std::string("2 x 2 pixels")},
          std::pair{writePicture("blank.png", 800, 600), std::string("800 x 600 pixels")}}) {
        const auto result = run({"--photo", picture, "--timeout", "2"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(contains(result.out, "timed out after 2 s: no page outline was found in " +
                                             picture + " (" + size + ")"))
            << result.out;
    }
    const auto empty = scratch.write("empty.jpg", "").string();
    const auto result = run({"--photo", empty});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(result.err, "cannot read the photo " + empty + ": cannot decode: "))
        << result.err;
}

TEST_F(CaptureDemo, PicturesThatCannotBeUsedAreNamedWithTheReasonQuorvelDetectGives) {
    const auto folder = scratch.makeDirectory("photos");
    const auto empty = scratch.write("photos/empty.jpg", "").string();
    const auto garbage = scratch.write("photos/garbage.jpg", "not a picture").string();
    const auto tiff = scratch.write("photos/scan.tif", std::string("II*\0\x08\0\0\0", 8)).string();
    // A small PNG whose header claims 30000 x 30000 pixels.
    std::vector<std::uint8_t> claimed;
    ASSERT_TRUE(cv::imencode(".png", cv::Mat(16, 16, CV_8UC1, cv::Scalar(128)), claimed));
    for (const int offset : {16, 20}) {
        for (int i = 0; i < 4; ++i) claimed[offset + i] = (30000 >> (24 - 8 * i)) & 0xff;
    }
    const auto large = scratch.write("photos/large.png", claimed).string();
    // One byte over the size cap (sparse: no disk space).
    const auto huge = scratch.write("photos/huge.jpg", "\xFF\xD8\xFF").string();
    std::filesystem::resize_file(huge, std::uintmax_t{256} * 1024 * 1024 + 1);
    const std::vector<std::pair<std::string, std::string>> reasons{
        {empty, "cannot decode: the file is empty"},
        {garbage, "cannot decode: the data is neither a JPEG nor a PNG image"},
        {tiff, "cannot decode: the data is neither a JPEG nor a PNG image"},
        {large,
         "too large: the image is 30000 x 30000 pixels, more than the 100000000 pixels that are "
         "decoded"},
        {huge, "too large: it holds 268435457 bytes, more than the 268435456 allowed"},
    };
    for (const auto& [photo, reason] : reasons) {
        const auto result = run({"--photo", photo});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(contains(result.err, "cannot read the photo " + photo + ": " + reason + "\n"))
            << result.err;
    }
    // A file whose reading fails (it can only be written).
    const auto unreadable = run({"--photo", "/proc/self/clear_refs"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(
        contains(unreadable.err, "cannot read the photo /proc/self/clear_refs: cannot read: "))
        << unreadable.err;

    // In a folder, each is skipped with its reason, and the session films the picture that is
    // left, naming it when it gives up.
    const auto grey = writePicture("photos/grey.png", 64, 48);
    const auto result = run({"--photos", folder.string(), "--timeout", "2"});
    EXPECT_EQ(result.exitCode, 1);
    for (const auto& [photo, reason] : reasons) {
        EXPECT_TRUE(contains(result.err, "capture-demo: skipped " + photo + ": " + reason + "\n"))
            << result.err;
    }
    EXPECT_TRUE(contains(result.out, "timed out after 2 s: no page outline was found in " + grey +
                                         " (64 x 48 pixels)"))
        << result.out;
}

// How many times `part` stands in `text`.
int occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(CaptureDemo, PhotoThatCannotBeDecodedWhenFilmedEndsTheSessionWithOneLineNamingIt) {
    // Only the headers are read at the start: a photo whose pixels are cut short is found out
    // when its turn comes, as one cut short, replaced or removed after the start.
    testing_vision::SceneOptions scene;
    scene.size = {900, 1200};
    scene.corners = {cv::Point2d(190, 200), cv::Point2d(720, 230), cv::Point2d(700, 980),
                     cv::Point2d(170, 950)};
    std::vector<std::uint8_t> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", testing_vision::renderScene(scene).image, jpeg));
    const auto folder = scratch.makeDirectory("photos");
    scratch.write("photos/1-page.jpg", jpeg);
    const auto cutShort =
        scratch.write("photos/2-cut-short.jpg", std::string(jpeg.begin(), jpeg.begin() + 4000));
    const std::string why = ": cannot decode: the JPEG data is truncated or corrupt";

    // The first page is taken; the second photo ends the session at once, and the page taken
    // is written all the same.
    const auto out = scratch.path() / "pages";
    const auto manual = run(
        {"--photos", folder.string(), "--manual", "0", "--out", out.string(), "--timeout", "120"});
    EXPECT_EQ(manual.exitCode, 1);
    EXPECT_EQ(occurrences(manual.out + manual.err, cutShort.string()), 1)
        << manual.out << manual.err;
    EXPECT_TRUE(contains(manual.out, "cannot film " + cutShort.string() + why)) << manual.out;
    EXPECT_FALSE(contains(manual.out, "timed out")) << manual.out;
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-1.jpg")) << manual.out;
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-1-filtered.jpg")) << manual.out;
    EXPECT_FALSE(contains(manual.out, "Pages written")) << manual.out;

    // Filmed for the automatic shot: no line for each frame without a picture.
    scratch.remove("photos/1-page.jpg");
    const auto automatic = run({"--photos", folder.string(), "--timeout", "30"});
    EXPECT_EQ(automatic.exitCode, 1);
    EXPECT_EQ(occurrences(automatic.out + automatic.err, cutShort.string()), 1)
        << automatic.out << automatic.err;
    EXPECT_TRUE(contains(automatic.out, "cannot film " + cutShort.string() + why)) << automatic.out;
    EXPECT_FALSE(contains(automatic.out, "timed out")) << automatic.out;
    EXPECT_EQ(occurrences(automatic.err, "Failed to obtain a pixel buffer"), 0) << automatic.err;
}

TEST_F(CaptureDemo, NamesWithControlCharactersCannotForgeALine) {
    const std::string forged = "\nPages written to the moon";
    const std::string escaped = "\\nPages written to the moon";
    const auto folder = scratch.makeDirectory("photos");
    const auto text = scratch.write("photos/odd.txt" + forged, "not a picture");
    const auto grey = writePicture("photos/grey" + forged + ".png", 64, 48);
    const auto photos = run({"--photos", folder.string(), "--timeout", "2"});
    EXPECT_EQ(photos.exitCode, 1);
    const auto refused = run({"--frobnicate" + forged});
    EXPECT_EQ(refused.exitCode, 2);

    for (const auto& printed : {photos.out, photos.err, refused.err}) {
        std::istringstream lines(printed);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_NE(line.rfind("Pages written to the moon", 0), 0u)
                << "a line of its own: " << printed;
        }
    }
    EXPECT_TRUE(contains(photos.err,
                         "skipped " + folder.string() + "/odd.txt" + escaped + ": cannot decode: "))
        << photos.err;
    EXPECT_TRUE(contains(photos.out, "no page outline was found in " + folder.string() + "/grey" +
                                         escaped + ".png (64 x 48 pixels)"))
        << photos.out;
    EXPECT_TRUE(contains(refused.err, "unknown argument '--frobnicate" + escaped + "'"))
        << refused.err;
}

// Makes a folder inside `base` whose path is `length` characters long (each name in it within
// the system's limit of 255).
std::filesystem::path longFolder(const std::filesystem::path& base, std::size_t length) {
    std::filesystem::path path = base;
    while (path.string().size() < length) {
        const std::size_t left = length - path.string().size() - 1;
        path /= std::string(std::min<std::size_t>(left, 200), 'd');
    }
    std::filesystem::create_directories(path);
    return path;
}

TEST_F(CaptureDemo, PagesOnDiskAreWhatThePrintedLinesSay) {
    // The folder's path leaves room for a short name, not for the screenshots' temporary files:
    // refused before anything is captured.
    const auto deep = longFolder(scratch.path(), 4061);
    const auto refused = run({"--manual", "0", "--out", deep.string()});
    ASSERT_TRUE(refused.exited) << "signal " << refused.signal << "\n" << refused.err;
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(contains(
        refused.err, "cannot write in the output folder " + deep.string() + ": File name too long"))
        << refused.err;
    EXPECT_FALSE(contains(refused.out, "simulated camera")) << "refused first: " << refused.out;

    // The first page's filtered view cannot be written: the page is not left without it, and
    // nothing says it was written.
    const auto out = scratch.makeDirectory("pages");
    scratch.makeDirectory("pages/page-1-filtered.jpg");
    const auto result = run({"--manual", "0", "--out", out.string()});
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(contains(
        result.out, "could not write page 1: " + (out / "page-1-filtered.jpg").string() + ": "))
        << result.out;
    EXPECT_FALSE(std::filesystem::exists(out / "page-1.jpg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-2.jpg"));
    EXPECT_TRUE(std::filesystem::is_regular_file(out / "page-2-filtered.jpg"));
    EXPECT_FALSE(contains(result.out, "wrote " + (out / "page-1.jpg").string())) << result.out;
    EXPECT_FALSE(contains(result.out, "handed to the host")) << result.out;
    EXPECT_FALSE(contains(result.out, "Pages written")) << result.out;
}

}  // namespace
