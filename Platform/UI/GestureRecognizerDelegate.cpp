#include "Platform/UI/GestureRecognizerDelegate.h"

namespace quorvel::platform {

bool GestureRecognizerDelegate::gestureRecognizerShouldBegin(GestureRecognizer&) {
    return true;
}

bool GestureRecognizerDelegate::gestureRecognizerShouldRecognizeSimultaneously(GestureRecognizer&,
                                                                               GestureRecognizer&) {
    return false;
}

}  // namespace quorvel::platform
