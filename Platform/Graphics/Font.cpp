#include "Platform/Graphics/Font.h"

#include <utility>

#include "Platform/Graphics/FontRegistry.h"

namespace quorvel::platform {

Font::Font(std::string name, double pointSize, FontWeight weight)
    : name_(std::move(name)), pointSize_(pointSize), weight_(weight) {}

Font Font::systemFont(double pointSize, FontWeight weight) {
    const bool heavy = weight == FontWeight::semibold || weight == FontWeight::bold;
    return Font(std::string(heavy ? systemBoldName : systemRegularName), pointSize, weight);
}

std::optional<Font> Font::named(std::string_view name, double pointSize) {
    auto face = FontRegistry::shared().face(name);
    if (!face) {
        return std::nullopt;
    }
    return Font(face->postScriptName, pointSize, face->weight);
}

Font Font::withSize(double pointSize) const {
    return Font(name_, pointSize, weight_);
}

}  // namespace quorvel::platform
