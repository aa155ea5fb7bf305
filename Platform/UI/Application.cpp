#include "Platform/UI/Application.h"

namespace quorvel::platform {

Application& Application::shared() {
    static Application app;
    return app;
}
void Application::enterBackground() {}
void Application::enterForeground() {}
void Application::resignActive() {}
void Application::becomeActive() {}
bool Application::canOpenURL(const std::string&) const {
    return false;
}
bool Application::openURL(const std::string& url) {
    openedURLs_.push_back(url);
    return false;
}
void Application::setURLOpener(std::function<bool(const std::string&)> opener) {
    opener_ = std::move(opener);
}
InterfaceOrientationMask Application::supportedInterfaceOrientations(const Window*) const {
    return InterfaceOrientationMask::allButUpsideDown;
}
void Application::reset() {}
void Application::setState(ApplicationState state, std::string_view) {
    state_ = state;
}

}  // namespace quorvel::platform
