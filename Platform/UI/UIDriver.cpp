#include "Platform/UI/UIDriver.h"

namespace quorvel::platform {

bool UIDriver::tap(const View&) {
    return false;
}
bool UIDriver::tap(const View&, Point) {
    return false;
}
bool UIDriver::tap(Window&, Point) {
    return false;
}
bool UIDriver::doubleTap(const View&, Point) {
    return false;
}
bool UIDriver::swipe(const View&, SwipeDirection) {
    return false;
}
bool UIDriver::pan(const View&, Point, Point, int) {
    return false;
}
bool UIDriver::press(const View&, Point) {
    return false;
}
bool UIDriver::moveTo(const View&, Point) {
    return false;
}
bool UIDriver::release(const View&, Point) {
    return false;
}
bool UIDriver::pinch(const View&, Point, double) {
    return false;
}
bool UIDriver::key(Window&, Key) {
    return false;
}
bool UIDriver::tapAlertAction(AlertController&, const std::string&) {
    return false;
}
bool UIDriver::pickImage(ImagePickerController&, std::shared_ptr<Image>) {
    return false;
}
bool UIDriver::cancelPicker(ImagePickerController&) {
    return false;
}
bool UIDriver::swipeAwayPicker(ImagePickerController&) {
    return false;
}

}  // namespace quorvel::platform
