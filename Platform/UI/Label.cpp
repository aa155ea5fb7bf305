#include "Platform/UI/Label.h"

namespace quorvel::platform {

std::shared_ptr<Label> Label::make(const Rect& frame) {
    return std::shared_ptr<Label>(new Label(frame));
}

}  // namespace quorvel::platform
