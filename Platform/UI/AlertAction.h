#pragma once

#include <functional>
#include <string>

namespace quorvel::platform {

class AlertController;

enum class AlertActionStyle { defaultStyle, cancel, destructive };

// One button of an alert: its title, style and what it does. A value.
struct AlertAction {
    std::string title;
    AlertActionStyle style = AlertActionStyle::defaultStyle;
    // Runs once the alert has been dismissed; may be empty.
    std::function<void(const AlertAction&)> handler;
};

}  // namespace quorvel::platform
