#include "Platform/UI/ImagePickerController.h"

#include "Platform/UI/Button.h"

namespace quorvel::platform {

ImagePickerController::ImagePickerController() = default;
std::shared_ptr<ImagePickerController> ImagePickerController::make() {
    return std::shared_ptr<ImagePickerController>(new ImagePickerController());
}
bool ImagePickerController::isSourceTypeAvailable(ImagePickerSourceType type) {
    return type != ImagePickerSourceType::camera;
}
void ImagePickerController::setChooser(Chooser) {}
bool ImagePickerController::hasChooser() {
    return false;
}
void ImagePickerController::didPick(const PickerInfo&) {}
void ImagePickerController::didPickImage(std::shared_ptr<Image>) {}
void ImagePickerController::didCancel() {}
void ImagePickerController::loadView() {
    ViewController::loadView();
}
void ImagePickerController::viewDidAppear(bool) {}
void ImagePickerController::viewWillAppear(bool) {}

}  // namespace quorvel::platform
