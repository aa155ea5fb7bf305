#pragma once

#include <memory>

#include "Platform/UI/View.h"
#include "Platform/UI/ViewController.h"

namespace quorvel {

// The crop screen's nib, built in code: a portrait 390 × 844 root view with a top bar, the image
// area (image, overlay, four handles), the touch layer over it, the loader, and a bottom bar with
// Cancel and Done. The image area is the page image fitted between the bars, so that the handles
// are kept on the picture. Connects the owner's outlets and actions. The root view's layout code
// places everything from the window's safe area and reads the constraint records the screen changes
// (the handles' positions and diameters, the Done button's size).
class CropViewControllerNib {
public:
    static constexpr const char* name = "CropViewController";

    // Registers the builder with the nib registry unless one is registered under the name.
    static void registerNib();
    // Builds the nib for `owner`, which must be a CropViewController.
    static std::shared_ptr<platform::View> build(platform::ViewController& owner);

    // Margins of the image area inside the space between the bars, so that a handle at the
    // image's edge stays on screen and can be reached.
    static constexpr double imageAreaInset = 24;
    static constexpr double barPadding = 24;
};

}  // namespace quorvel
