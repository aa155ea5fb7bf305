#include "Platform/UI/Accessibility.h"

#include "Platform/UI/View.h"

namespace quorvel::platform {

std::string AccessibilityPost::text() const {
    auto* s = std::get_if<std::string>(&argument);
    return s ? *s : std::string();
}
std::shared_ptr<View> AccessibilityPost::view() const {
    auto* v = std::get_if<std::weak_ptr<View>>(&argument);
    return v ? v->lock() : nullptr;
}
bool Accessibility::isVoiceOverRunning() {
    return false;
}
void Accessibility::setVoiceOverRunningOverride(std::optional<bool>) {}
void Accessibility::setVoiceOverRunningProvider(std::function<bool()>) {}
void Accessibility::post(AccessibilityNotification, AccessibilityArgument) {}
const std::vector<AccessibilityPost>& Accessibility::postedNotifications() {
    static std::vector<AccessibilityPost> p;
    return p;
}
void Accessibility::clearPosted() {}
void Accessibility::setSink(std::function<void(const AccessibilityPost&)>) {}
std::vector<std::shared_ptr<View>> Accessibility::orderedElements(const std::shared_ptr<View>&) {
    return {};
}

}  // namespace quorvel::platform
