#pragma once

#include "Platform/Graphics/Geometry.h"

namespace quorvel {

// The largest rectangle of the aspect ratio `aspectRatio` that fits inside `boundingRect`,
// centred in it. An aspect ratio without area gives an empty rectangle at the centre.
platform::Rect makeRectWithAspectRatioInsideRect(platform::Size aspectRatio,
                                                 const platform::Rect& boundingRect);

}  // namespace quorvel
