#pragma once

#include <memory>

#include "Platform/UI/View.h"

namespace quorvel {

// The "IconButton" nib, built in code: a content view holding a 30 × 30-point icon above a
// one-line caption whose height is the constraint the button resizes. The icon and caption sit
// centred as one group; the caption spans the content's width. The owner's outlets (content
// view, icon view, caption, caption height) are connected and its three actions bound: touch
// down dims, touch up or cancel restores, touch up inside presses.
struct IconButtonNib {
    static constexpr double iconSize = 30;
    // Between the icon and the caption.
    static constexpr double spacing = 4;

    // Registers the nib with the platform's nib registry (again, when a test reset it).
    static void registerNib();

    // Builds the nib for `owner` (an IconButton) and connects it.
    static std::shared_ptr<platform::View> build(std::shared_ptr<void> owner);

    // Places the icon and caption in the content view.
    static void layout(platform::View& content);
};

}  // namespace quorvel
