#pragma once

namespace quorvel {

class IconButton;

// Receives the presses of icon buttons (the preview screen).
class IconButtonDelegate {
public:
    virtual ~IconButtonDelegate() = default;
    virtual void iconButtonPressed(IconButton& button) = 0;
};

}  // namespace quorvel
