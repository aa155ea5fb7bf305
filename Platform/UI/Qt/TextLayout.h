#pragma once

#include <string>

#include "Platform/Graphics/Font.h"
#include "Platform/Graphics/Geometry.h"

namespace quorvel::platform {

// The one text engine of the user interface: what it measures is what the painter draws. Fonts
// map onto the window system's fonts by family, size and weight. Needs the application's GUI
// environment (ApplicationHost) to exist. Main thread only.
class TextLayout {
public:
    TextLayout() = delete;

    // The size the text takes in `font`, broken into lines no wider than `maxWidth` (a value
    // <= 0 means unlimited) and cut to `numberOfLines` lines (0 means as many as needed). Sizes
    // are rounded up to whole points, as a label's intrinsic size is.
    static Size measure(const std::string& text, const Font& font, double maxWidth = 0,
                        int numberOfLines = 1);

    // The height of one line of `font`.
    static double lineHeight(const Font& font);
};

}  // namespace quorvel::platform
