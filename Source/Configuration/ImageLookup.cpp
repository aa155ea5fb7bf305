#include "Source/Configuration/ImageLookup.h"

#include <string>

#include "Platform/Graphics/ImageRenderer.h"
#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/DefaultTheme.h"
#include "Source/Configuration/Logger.h"

namespace quorvel {

std::shared_ptr<platform::Image> ImageLookup::fromTheme(
    std::string_view named, const DefaultTheme* theme,
    const std::shared_ptr<platform::Bundle>& defaultBundle) {
    if (theme && theme->bundle()) {
        auto image = fetchImageFromBundle(*theme->bundle(), named);
        if (image || !defaultBundle) return image;
    }
    if (!defaultBundle) return nullptr;
    return fetchImageFromBundle(*defaultBundle, named);
}

std::shared_ptr<platform::Image> ImageLookup::fetchImageFromBundle(const platform::Bundle& bundle,
                                                                   std::string_view named) {
    // Names that could leave the catalogue folder are never looked up on disk.
    if (!platform::AssetCatalog::isValidName(named)) return nullptr;
    if (auto image = platform::AssetCatalog::image(named, bundle)) return image;
    const std::string name(named);
    const std::string path = bundle.bundlePath().string() + "/" +
                             Constants::configurationAssetsName + "/" + name + ".imageset/" + name;
    // Held to the catalogue's bounds on an icon and decoded once; a file missing or not an image
    // is no news.
    platform::ImageFailure failure;
    auto image = platform::AssetCatalog::imageFile(path, &failure);
    if (!image && failure.kind == platform::ImageFailure::Kind::tooLarge) {
        Logger::capture().error("%s is not used: %s", path, failure.reason);
    }
    return image;
}

std::shared_ptr<platform::Image> ImageLookup::imageWithColor(const platform::Color& color,
                                                             platform::Size size) {
    platform::ImageRenderer renderer(size, /*opaque=*/false, /*scale=*/0);
    if (!renderer.isValid()) return nullptr;
    renderer.setFillColor(color);
    renderer.fillRect({{0, 0}, size});
    // The image keeps the renderer's scale, so its size in points is the size asked for.
    return renderer.makeImage();
}

}  // namespace quorvel
