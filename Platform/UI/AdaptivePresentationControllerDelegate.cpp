#include "Platform/UI/AdaptivePresentationControllerDelegate.h"

namespace quorvel::platform {

void AdaptivePresentationControllerDelegate::presentationControllerWillDismiss(
    PresentationController&) {}
void AdaptivePresentationControllerDelegate::presentationControllerDidDismiss(
    PresentationController&) {}

}  // namespace quorvel::platform
