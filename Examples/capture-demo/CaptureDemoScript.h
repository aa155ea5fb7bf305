#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Platform/UI/Window.h"
#include "Source/Navigation/CaptureNavigationController.h"

namespace capturedemo {

// Waits until `event` holds, driving the main run loop meanwhile (the demo on the real clock, a
// test on its manual clock); false when it gave up. `what` names the event for messages.
using WaitForEvent =
    std::function<bool(const std::function<bool()>& event, const std::string& what)>;
// Prints one step of the session.
using Report = std::function<void(const std::string& step)>;

struct ScriptOptions {
    // A manual photo this many seconds after the camera is ready, instead of the automatic shot.
    std::optional<double> manualAfter;
    // Where each screen passed is saved as a PNG (none when empty).
    std::filesystem::path screenshotDirectory;
};

// The demo's scripted session, worked through the window's input path as a user would: the
// first page (automatic shot, or manual with `manualAfter`), its preview, the crop screen (a
// corner dragged away and back to where it was, then Done), the preview again, a second page
// through "Add page", and Done. The flow must be on screen in `window`, presented from its root.
class CaptureDemoScript {
public:
    CaptureDemoScript(std::shared_ptr<quorvel::platform::Window> window,
                      std::shared_ptr<quorvel::CaptureNavigationController> navigation,
                      ScriptOptions options, WaitForEvent waitFor, Report report);

    // Runs the session; `handedBack` tells when the host has received the pages. False (after
    // reporting why) when a step did not happen.
    bool run(const std::function<bool()>& handedBack);

    // Screenshots written so far.
    int screenshotCount() const { return screenshots_; }

private:
    bool cameraReady();
    bool takePage(int number);
    bool crop();
    bool tap(const std::string& label);
    bool tapView(const std::shared_ptr<quorvel::platform::View>& view, const std::string& what);
    std::shared_ptr<quorvel::platform::View> element(const std::string& label) const;
    bool wait(const std::function<bool()>& event, const std::string& what);
    void screenshot(const std::string& name);
    std::shared_ptr<quorvel::platform::ViewController> top() const;

    std::shared_ptr<quorvel::platform::Window> window_;
    std::shared_ptr<quorvel::CaptureNavigationController> navigation_;
    ScriptOptions options_;
    WaitForEvent waitFor_;
    Report report_;
    int screenshots_ = 0;
};

// Writes an image as a PNG, whole or not at all; false when it could not, with why in `why`.
bool writePNG(const quorvel::platform::Image& image, const std::filesystem::path& path,
              std::string* why = nullptr);

}  // namespace capturedemo
