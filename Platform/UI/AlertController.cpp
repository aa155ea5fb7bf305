#include "Platform/UI/AlertController.h"

#include "Platform/UI/Button.h"
#include "Platform/UI/Label.h"

namespace quorvel::platform {

AlertController::AlertController(std::optional<std::string> title,
                                 std::optional<std::string> message, AlertControllerStyle style)
    : alertTitle_(std::move(title)), message_(std::move(message)), style_(style) {}
std::shared_ptr<AlertController> AlertController::make(std::optional<std::string> title,
                                                       std::optional<std::string> message,
                                                       AlertControllerStyle style) {
    return std::shared_ptr<AlertController>(
        new AlertController(std::move(title), std::move(message), style));
}
void AlertController::addAction(AlertAction action) {
    actions_.push_back(std::move(action));
}
std::shared_ptr<Button> AlertController::buttonForAction(const std::string&) {
    return nullptr;
}
void AlertController::triggerAction(std::size_t) {}
std::optional<std::size_t> AlertController::cancelActionIndex() const {
    return std::nullopt;
}
void AlertController::loadView() {
    ViewController::loadView();
}
void AlertController::rebuildButtons() {}
void AlertController::layoutCard(View&) {}

}  // namespace quorvel::platform
