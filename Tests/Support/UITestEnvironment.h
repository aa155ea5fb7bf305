#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class QImage;

namespace quorvel::platform {
class Image;
}

namespace quorvel::testsupport {

// The set-up every user-interface test program shares: the application started off-screen
// (QT_QPA_PLATFORM=offscreen) before the first test and shut down after the last. The test
// programs of the user-interface folders (see Tests/CMakeLists.txt) link a main that installs it;
// nothing else is needed in a test.
class UITestEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// Where screenshot tests put their pictures: $QUORVEL_SCREENSHOT_DIR, else "screenshots" in the
// working directory (the build directory under CTest). Created on first use.
std::filesystem::path screenshotDirectory();

// Writes `<name>.png` into the screenshot directory and returns its path; an empty path (and a
// test failure) when it could not be written.
std::filesystem::path saveScreenshot(const QImage& image, const std::string& name);
std::filesystem::path saveScreenshot(const platform::Image& image, const std::string& name);

}  // namespace quorvel::testsupport
