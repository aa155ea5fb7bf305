#pragma once

#include <memory>

#include "Platform/UI/View.h"

namespace quorvel::platform {

// The states a control shows its content for. A control is in one state at a time: disabled when
// it is not enabled, else highlighted while it is touched, else selected when selected, else
// normal.
enum class ControlState { normal, highlighted, disabled, selected };

// A view the user acts on. Main thread only.
class Control : public View {
public:
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);

    ControlState state() const;

protected:
    explicit Control(const Rect& frame) : View(frame) {}
    // Called after the enabled, selected or highlighted flag has changed.
    virtual void stateDidChange() {}

private:
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
};

}  // namespace quorvel::platform
