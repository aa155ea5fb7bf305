#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>

#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

class ImagePickerController;

// One entry of what a picker hands back: an image, a text (a media type, a file path), or
// nothing usable.
using PickerInfoValue = std::variant<std::monostate, std::shared_ptr<Image>, std::string>;
// What a picker hands back, by key (ImagePickerController::originalImageKey, ...).
using PickerInfo = std::map<std::string, PickerInfoValue, std::less<>>;

// Receives the result of an image picker. Held weakly. When no delegate is set the picker
// dismisses itself.
class ImagePickerControllerDelegate {
public:
    virtual ~ImagePickerControllerDelegate() = default;
    // The user chose an item. The delegate dismisses the picker.
    virtual void imagePickerControllerDidFinishPickingMediaWithInfo(ImagePickerController& picker,
                                                                    const PickerInfo& info) = 0;
    // The user cancelled. The delegate dismisses the picker.
    virtual void imagePickerControllerDidCancel(ImagePickerController& picker) = 0;
};

}  // namespace quorvel::platform
