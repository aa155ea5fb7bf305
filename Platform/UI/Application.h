#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/UI/InterfaceOrientation.h"

namespace quorvel::platform {

class Window;

enum class ApplicationState { active, inactive, background };

// The running application, standing in for the phone platform's application object: its state
// with the platform's notifications (posted on NotificationCenter::defaultCenter()), URL opening
// and the orientations the windows allow. One for the process; main thread only.
class Application {
public:
    static constexpr std::string_view openSettingsURLString = "app-settings:";
    static constexpr std::string_view didEnterBackgroundNotification =
        "UIApplicationDidEnterBackgroundNotification";
    static constexpr std::string_view willResignActiveNotification =
        "UIApplicationWillResignActiveNotification";
    static constexpr std::string_view willEnterForegroundNotification =
        "UIApplicationWillEnterForegroundNotification";
    static constexpr std::string_view didBecomeActiveNotification =
        "UIApplicationDidBecomeActiveNotification";

    static Application& shared();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Active until changed.
    ApplicationState applicationState() const { return state_; }
    // What the platform does when the user leaves the app: posts will-resign-active (state
    // inactive), then did-enter-background (state background).
    void enterBackground();
    // Coming back: will-enter-foreground (state inactive), then did-become-active (active).
    void enterForeground();
    // Only the resign / become-active halves (an incoming call, a system panel).
    void resignActive();
    void becomeActive();

    // Whether a URL of its scheme can be opened: "app-settings:" always, others when an opener
    // is installed.
    bool canOpenURL(const std::string& url) const;
    // Records the URL (openedURLs) and hands it to the installed opener; returns canOpenURL.
    bool openURL(const std::string& url);
    const std::vector<std::string>& openedURLs() const { return openedURLs_; }
    void clearOpenedURLs() { openedURLs_.clear(); }
    // The host's way to open URLs for real (a desktop browser); empty removes it.
    void setURLOpener(std::function<bool(const std::string&)> opener);

    // The orientations `window` allows: its top view controller's supported orientations
    // (all but upside down without one).
    InterfaceOrientationMask supportedInterfaceOrientations(const Window* window) const;

    // Back to active with no recorded URLs and no opener (tests).
    void reset();

private:
    Application() = default;
    void setState(ApplicationState state, std::string_view notification);

    ApplicationState state_ = ApplicationState::active;
    std::vector<std::string> openedURLs_;
    std::function<bool(const std::string&)> opener_;
};

}  // namespace quorvel::platform
