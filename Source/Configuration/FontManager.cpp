#include "Source/Configuration/FontManager.h"

#include <cmath>

#include "Source/Configuration/ConfigurationFile.h"
#include "Source/Configuration/DefaultTheme.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/NumberRange.h"

namespace quorvel {

namespace {

enum class Weight { regular, semibold, bold };

struct StyleInfo {
    platform::TextStyle textStyle;
    const char* nameKey;
    const char* sizeKey;
    Weight weight;
    double defaultSize;
};

// In the order of FontManager::Style. The large title's size key is spelled "largetTitleSize".
constexpr std::array<StyleInfo, FontManager::styleCount> styles{{
    {platform::TextStyle::body, "bodyName", "bodySize", Weight::regular, 16},
    {platform::TextStyle::headline, "headlineName", "headlineSize", Weight::semibold, 16},
    {platform::TextStyle::subheadline, "subheadName", "subheadSize", Weight::regular, 14},
    {platform::TextStyle::largeTitle, "largeTitleName", "largetTitleSize", Weight::bold, 30},
    {platform::TextStyle::title1, "titleName", "titleSize", Weight::regular, 24},
    {platform::TextStyle::title2, "titleTwoName", "titleTwoSize", Weight::bold, 18},
    {platform::TextStyle::title3, "titleThreeName", "titleThreeSize", Weight::regular, 18},
    {platform::TextStyle::footnote, "footnoteName", "footnoteSize", Weight::regular, 13},
    {platform::TextStyle::callout, "calloutName", "calloutSize", Weight::semibold, 16},
    {platform::TextStyle::caption1, "captionOneName", "captionOneSize", Weight::semibold, 12},
    {platform::TextStyle::caption2, "captionTwoName", "captionTwoSize", Weight::bold, 10},
}};

const StyleInfo& info(FontManager::Style style) {
    return styles[static_cast<std::size_t>(style)];
}

}  // namespace

FontManager::FontManager(std::shared_ptr<FontSet> fontSet) : defaultFontSet(std::move(fontSet)) {
    for (std::size_t i = 0; i < styleCount; ++i)
        entries_[i] = {std::nullopt, styles[i].defaultSize};
}

std::shared_ptr<FontManager> FontManager::makeDefault() {
    return std::shared_ptr<FontManager>(new FontManager(FontSet::getInstance()));
}

std::shared_ptr<FontManager> FontManager::fromConfiguration(
    const std::optional<platform::Decoder>& configuration) {
    auto fonts = makeDefault();
    if (configuration) {
        fonts->initializeFonts(FontManager(*configuration));
    } else {
        Logger::quorvelthemes().info(
            "%s.plist was not found, or contains no font definitions. Default fonts will be used",
            DefaultTheme::Constants::configurationPlistName);
    }
    return fonts;
}

FontManager::FontManager(const std::shared_ptr<platform::Bundle>& overrideBundle)
    : FontManager(*fromConfiguration(ConfigurationFile::load(overrideBundle).decoder)) {}

FontManager::FontManager(const FontManager& defaultFonts) : FontManager(FontSet::getInstance()) {
    initializeFonts(defaultFonts);
}

// A text a designer sets is between 1 and 200 points; a size outside keeps the default, and is
// logged.
constexpr NumberRange fontSizeRange{1, 200};

FontManager::FontManager(const platform::Decoder& decoder) : FontManager(FontSet::getInstance()) {
    auto container = decoder.keyedContainer();
    if (!container) return;
    for (std::size_t i = 0; i < styleCount; ++i) {
        if (auto name = container->decodeString(styles[i].nameKey)) entries_[i].name = *name;
        if (auto size = fontSizeRange.read(*container, styles[i].sizeKey, Logger::quorvelthemes()))
            entries_[i].size = *size;
    }
}

void FontManager::initializeFonts(const FontManager& other) {
    defaultFontSet = other.defaultFontSet;
    entries_ = other.entries_;
}

platform::Font FontManager::font(Style style) const {
    const auto& entry = entries_[static_cast<std::size_t>(style)];
    std::optional<platform::Font> base;
    if (entry.name) base = platform::Font::named(*entry.name, entry.size);
    if (!base) {
        switch (info(style).weight) {
            case Weight::regular:
                base = defaultFontSet->regular().withSize(entry.size);
                break;
            case Weight::semibold:
                base = defaultFontSet->semibold().withSize(entry.size);
                break;
            case Weight::bold:
                base = defaultFontSet->bold().withSize(entry.size);
                break;
        }
    }
    return accessibleFontForStyle(info(style).textStyle, *base);
}

void FontManager::setFont(Style style, const platform::Font& font) {
    auto& entry = entries_[static_cast<std::size_t>(style)];
    entry.name = font.fontName();
    entry.size = font.pointSize();
}

platform::Font FontManager::accessibleFontForStyle(platform::TextStyle style,
                                                   const platform::Font& font) {
    const platform::Font scaled = platform::FontMetrics(style).scaledFont(font);
    const double configured = font.pointSize();
    // Strictly larger than twice the configured size is capped; exactly twice stays scaled.
    if (2 * configured < scaled.pointSize()) return font.withSize(2 * configured);
    return scaled;
}

double FontManager::getScaledSize(const platform::Font& font, double factor, double lower,
                                  double upper) {
    const double size = font.pointSize();
    double value = size;
    if (factor >= 0 && factor < 1) {
        value = static_cast<double>(std::floor(static_cast<float>(size * factor)));
    }
    if (value < lower || std::isnan(value)) return lower;
    if (value <= upper) return value;
    return upper;
}

}  // namespace quorvel
