#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "Platform/UI/ImagePickerControllerDelegate.h"
#include "Platform/UI/ViewController.h"

namespace quorvel::platform {

class Button;

enum class ImagePickerSourceType { photoLibrary, camera, savedPhotosAlbum };

// Lets the user choose a picture, standing in for the phone platform's image picker. Presented
// with present() (full screen); its own view is a plain "Photos" panel with a Cancel button, so
// a screenshot shows it. The actual choosing is pluggable: a chooser installed with setChooser()
// is started (on the next turn of the main queue) once the picker has appeared, and reports back
// through didPick / didCancel; the Qt host installs a file dialog over the user's pictures when a
// display exists. Tests and the demo use UIDriver (pickImage, cancelPicker, swipeAwayPicker),
// which call the same entry points. Main thread only.
class ImagePickerController : public ViewController {
public:
    static constexpr std::string_view originalImageKey = "UIImagePickerControllerOriginalImage";
    static constexpr std::string_view mediaTypeKey = "UIImagePickerControllerMediaType";
    static constexpr std::string_view imageURLKey = "UIImagePickerControllerImageURL";

    using Chooser = std::function<void(const std::shared_ptr<ImagePickerController>& picker)>;

    static std::shared_ptr<ImagePickerController> make();

    // The photo library and saved-photos album are available; the camera is not.
    static bool isSourceTypeAvailable(ImagePickerSourceType type);
    // Installs (or with an empty function removes) the process's chooser.
    static void setChooser(Chooser chooser);
    static bool hasChooser();

    ImagePickerSourceType sourceType() const { return sourceType_; }
    void setSourceType(ImagePickerSourceType type) { sourceType_ = type; }

    std::shared_ptr<ImagePickerControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ImagePickerControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // The chooser's (and the driver's) answers: hand the result to the delegate (or, without
    // one, dismiss the picker). A picker already answered ignores further answers until it is
    // presented again.
    void didPick(const PickerInfo& info);
    void didPickImage(std::shared_ptr<Image> image);
    void didCancel();
    bool hasAnswered() const { return answered_; }

    std::shared_ptr<Button> cancelButton() const { return cancelButton_; }

    void loadView() override;
    void viewDidAppear(bool animated) override;
    void viewWillAppear(bool animated) override;

protected:
    ImagePickerController();

private:
    ImagePickerSourceType sourceType_ = ImagePickerSourceType::photoLibrary;
    std::weak_ptr<ImagePickerControllerDelegate> delegate_;
    std::shared_ptr<Button> cancelButton_;
    bool answered_ = false;
};

}  // namespace quorvel::platform
