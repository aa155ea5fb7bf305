#pragma once

#include <memory>

namespace quorvel::platform {

class ImagePickerController;

// The photo library of the desktop: a file dialog over the user's pictures folder, behind
// ImagePickerController. Choosing a file answers the picker with the image read from it (its
// original image, media type "public.image" and file URL); a file that is no image answers with
// its URL only; closing the dialog cancels. The dialog is window-modal and does not block: the
// main run loop keeps turning while it is open. Part of the Qt backend; ApplicationHost installs
// it when windows are shown (not off-screen). Main thread only.
class FileDialogChooser {
public:
    FileDialogChooser() = delete;

    static void install();
    static void uninstall();

    // Opens the dialog for `picker`.
    static void choose(const std::shared_ptr<ImagePickerController>& picker);
};

}  // namespace quorvel::platform
