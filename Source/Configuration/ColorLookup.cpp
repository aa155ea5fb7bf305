#include "Source/Configuration/ColorLookup.h"

#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {

std::optional<platform::Color> ColorLookup::fromBundle(
    std::string_view named, const std::shared_ptr<platform::Bundle>& overrideBundle) {
    if (auto color = platform::AssetCatalog::color(named, overrideBundle)) return color;
    return platform::AssetCatalog::color(named, ResourceBundle::resources());
}

}  // namespace quorvel
