#include "Platform/UI/Label.h"

namespace platform {

std::shared_ptr<Label> Label::make(const Rect& frame) {
    return std::shared_ptr<Label>(new Label(frame));
}

}  // namespace platform
