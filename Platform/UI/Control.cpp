#include "Platform/UI/Control.h"

namespace quorvel::platform {

void Control::setEnabled(bool enabled) {
    if (enabled_ != enabled) {
        enabled_ = enabled;
        stateDidChange();
    }
}

void Control::setSelected(bool selected) {
    if (selected_ != selected) {
        selected_ = selected;
        stateDidChange();
    }
}

void Control::setHighlighted(bool highlighted) {
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
