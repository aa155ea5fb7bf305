#pragma once

#include <memory>
#include <string_view>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Graphics/Color.h"
#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

namespace quorvel {

class DefaultTheme;

struct ImageLookup {
    struct Constants {
        // The asset-catalogue folder inside a bundle, searched when the compiled catalogue lacks
        // an image.
        static constexpr const char* configurationAssetsName = "QuorvelAssets.xcassets";
    };

    // The themed image lookup of the screens: the theme's bundle first, then `defaultBundle`.
    // An absent bundle is skipped; the main bundle is never searched for images.
    static std::shared_ptr<platform::Image> fromTheme(
        std::string_view named, const DefaultTheme* theme,
        const std::shared_ptr<platform::Bundle>& defaultBundle);

    // One bundle: its compiled catalogue, else the file
    // "<bundle>/QuorvelAssets.xcassets/<name>.imageset/<name>" (no extension; format by content),
    // which like the catalogue's images may have at most AssetCatalog::maximumImagePixels (a
    // larger one is refused from its header, with one log line), is scaled down to
    // AssetCatalog::maximumImageSide and is decoded once (AssetCatalog::imageFile): the same
    // image comes back each time.
    static std::shared_ptr<platform::Image> fetchImageFromBundle(const platform::Bundle& bundle,
                                                                 std::string_view named);

    // A solid image of `color`, `size` points at the main screen's scale; none when no image could
    // be drawn (non-finite or non-positive size).
    static std::shared_ptr<platform::Image> imageWithColor(const platform::Color& color,
                                                           platform::Size size);
};

}  // namespace quorvel
