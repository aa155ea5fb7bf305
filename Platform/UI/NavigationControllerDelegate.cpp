#include "Platform/UI/NavigationControllerDelegate.h"

namespace quorvel::platform {

void NavigationControllerDelegate::navigationControllerWillShow(NavigationController&,
                                                                ViewController&, bool) {}
void NavigationControllerDelegate::navigationControllerDidShow(NavigationController&,
                                                               ViewController&, bool) {}

}  // namespace quorvel::platform
