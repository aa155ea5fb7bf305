#include "Platform/UI/Touch.h"

#include "Platform/UI/View.h"

namespace quorvel::platform {

Point Touch::location(const View* in) const {
    return in ? in->convertFrom(locationInWindow, nullptr) : locationInWindow;
}

Point Touch::previousLocation(const View* in) const {
    return in ? in->convertFrom(previousLocationInWindow, nullptr) : previousLocationInWindow;
}

}  // namespace quorvel::platform
