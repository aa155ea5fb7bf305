#include "Platform/UI/Control.h"

#include "Platform/Dispatch/MainQueueCheck.h"

namespace quorvel::platform {

void Control::setEnabled(bool enabled) {
    MainQueueCheck::require("Control::setEnabled");
    if (enabled_ != enabled) {
        enabled_ = enabled;
        stateDidChange();
    }
}

void Control::setSelected(bool selected) {
    MainQueueCheck::require("Control::setSelected");
    if (selected_ != selected) {
        selected_ = selected;
        stateDidChange();
    }
}

void Control::setHighlighted(bool highlighted) {
    MainQueueCheck::require("Control::setHighlighted");
    if (highlighted_ != highlighted) {
        highlighted_ = highlighted;
        stateDidChange();
    }
}

ControlState Control::state() const {
    if (!enabled_) {
        return ControlState::disabled;
    }
    if (highlighted_) {
        return ControlState::highlighted;
    }
    if (selected_) {
        return ControlState::selected;
    }
    return ControlState::normal;
}

}  // namespace quorvel::platform
