#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/ResourceBundle.h"

namespace quorvel {
namespace {

using quorvel::platform::Color;

// WCAG 2 relative luminance of an sRGB colour.
double luminance(const Color& color) {
    auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.red) + 0.7152 * linear(color.green) + 0.0722 * linear(color.blue);
}

double contrast(const Color& a, const Color& b) {
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

TEST(ResourcePalette, EveryTextPairMeetsWcagAaForNormalText) {
    const auto resources = ResourceBundle::resources();
    const char* pairs[][2] = {
        {"disabledForeground", "disabledBackground"},
        {"errorForeground", "errorBackground"},
        {"primaryBrandForeground", "primaryBrandBackground"},
        {"primaryBrandForeground2", "primaryBrandBackground2"},
        {"secondaryBrandForeground", "secondaryBrandBackground"},
        {"surfaceForeground", "surfaceBackground"},
        {"uiPrimaryForeground", "uiPrimaryBackground"},
        {"uiSecondaryForeground", "uiSecondaryBackground"},
    };
    for (const auto& [text, background] : pairs) {
        const auto foreground = quorvel::platform::AssetCatalog::color(text, resources);
        const auto behind = quorvel::platform::AssetCatalog::color(background, resources);
        ASSERT_TRUE(foreground && behind) << text << " on " << background;
        EXPECT_GE(contrast(*foreground, *behind), 4.5) << text << " on " << background;
    }
}

}  // namespace
}  // namespace quorvel
