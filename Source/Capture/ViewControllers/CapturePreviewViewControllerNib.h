#pragma once

#include <memory>

#include "Platform/UI/View.h"
#include "Platform/UI/ViewController.h"

namespace quorvel {

// The preview screen's nib, built in code: a portrait 390 × 844 root view with a top bar (back
// button and headline), the horizontal pager, a pagination bar (previous, page dots, next) and a
// bottom bar (add page, retake and crop icon buttons above Done). Connects the owner's outlets
// and actions. The root view's layout code places everything from the window's safe area, skips
// hidden bars and buttons, and reads the Done button's size constraints.
class CapturePreviewViewControllerNib {
public:
    static constexpr const char* name = "CapturePreviewViewController";

    // Registers the builder with the nib registry unless one is registered under the name.
    static void registerNib();
    // Builds the nib for `owner`, which must be a CapturePreviewViewController.
    static std::shared_ptr<platform::View> build(platform::ViewController& owner);

    static constexpr double titleBarHeight = 56;
    static constexpr double paginationBarHeight = 48;
    static constexpr double iconButtonWidth = 96;
    static constexpr double iconButtonHeight = 76;
    static constexpr double iconButtonSpacing = 12;
    static constexpr double barPadding = 12;
};

}  // namespace quorvel
