#include "UITestEnvironment.h"

#include <gmock/gmock.h>

#include <QImage>
#include <cstdlib>
#include <system_error>

#include "Platform/Graphics/Image.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/ImageBridge.h"

namespace quorvel::testsupport {

void UITestEnvironment::SetUp() {
    ASSERT_TRUE(platform::ApplicationHost::start(platform::ApplicationHost::Display::offscreen));
    ASSERT_TRUE(platform::ApplicationHost::isOffscreen());
}

void UITestEnvironment::TearDown() {
    platform::ApplicationHost::shutDown();
}

std::filesystem::path screenshotDirectory() {
    const char* configured = std::getenv("QUORVEL_SCREENSHOT_DIR");
    std::filesystem::path directory = configured && *configured
                                          ? std::filesystem::path(configured)
                                          : std::filesystem::current_path() / "screenshots";
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    return directory;
}

std::filesystem::path saveScreenshot(const QImage& image, const std::string& name) {
    const std::filesystem::path path = screenshotDirectory() / (name + ".png");
    if (image.isNull() || !image.save(QString::fromStdString(path.string()), "PNG")) {
        ADD_FAILURE() << "could not write the screenshot " << path;
        return {};
    }
    return path;
}

std::filesystem::path saveScreenshot(const platform::Image& image, const std::string& name) {
    return saveScreenshot(platform::ImageBridge::qImage(image), name);
}

}  // namespace quorvel::testsupport

// The main of the user-interface test programs.
int main(int argc, char** argv) {
    // Off-screen for the program and anything it starts; death tests re-run the program rather
    // than fork a process that already has the window system's threads.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime directory; without a session there is none.
        char runtime[] = "/tmp/quorvel-runtime-XXXXXX";
        if (mkdtemp(runtime)) {
            setenv("XDG_RUNTIME_DIR", runtime, 1);
        }
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::InitGoogleMock(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new quorvel::testsupport::UITestEnvironment);
    return RUN_ALL_TESTS();
}
