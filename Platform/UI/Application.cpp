#include "Platform/UI/Application.h"

#include <utility>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"

namespace quorvel::platform {

Application& Application::shared() {
    static Application application;
    return application;
}

void Application::setState(ApplicationState state, std::string_view notification) {
    state_ = state;
    NotificationCenter::defaultCenter()->post(notification);
}

void Application::enterBackground() {
    if (state_ == ApplicationState::active) {
        resignActive();
    }
    if (state_ != ApplicationState::background) {
        setState(ApplicationState::background, didEnterBackgroundNotification);
    }
}

void Application::enterForeground() {
    if (state_ == ApplicationState::background) {
        setState(ApplicationState::inactive, willEnterForegroundNotification);
    }
    becomeActive();
}

void Application::resignActive() {
    if (state_ == ApplicationState::active) {
        setState(ApplicationState::inactive, willResignActiveNotification);
    }
}

void Application::becomeActive() {
    if (state_ != ApplicationState::active) {
        setState(ApplicationState::active, didBecomeActiveNotification);
    }
}

bool Application::canOpenURL(const std::string& url) const {
    if (url.rfind(openSettingsURLString, 0) == 0) {
        return true;
    }
    return static_cast<bool>(opener_) && url.find(':') != std::string::npos;
}

bool Application::openURL(const std::string& url) {
    openedURLs_.push_back(url);
    const bool can = canOpenURL(url);
    if (can && opener_) {
        auto opener = opener_;
        opener(url);
    }
    return can;
}

void Application::setURLOpener(std::function<bool(const std::string&)> opener) {
    opener_ = std::move(opener);
}

InterfaceOrientationMask Application::supportedInterfaceOrientations(const Window* window) const {
    if (window) {
        if (auto top = window->topViewController()) {
            return top->supportedInterfaceOrientations();
        }
    }
    return InterfaceOrientationMask::allButUpsideDown;
}

void Application::reset() {
    state_ = ApplicationState::active;
    openedURLs_.clear();
    opener_ = nullptr;
}

}  // namespace quorvel::platform
