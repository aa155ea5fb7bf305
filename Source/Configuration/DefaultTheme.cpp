#include "Source/Configuration/DefaultTheme.h"

#include <string>
#include <utility>

#include "Source/Configuration/ColorLookup.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/NumberRange.h"

namespace quorvel {

namespace {

constexpr const char* plistName = DefaultTheme::Constants::configurationPlistName;

// The resource bundle holds all 16 base colours; a colour missing there is a packaging error.
[[noreturn]] void missingBaseColor(const char* name) {
    fatalError(std::string("The base colour \"") + name +
               "\" is in neither the given bundle nor the resource bundle QuorvelCaptureResources");
}

}  // namespace

const std::array<DefaultTheme::NamedColor, 16>& DefaultTheme::colorFields() {
    static const std::array<NamedColor, 16> fields{{
        {&DefaultTheme::disabledBackground, "disabledBackground"},
        {&DefaultTheme::disabledForeground, "disabledForeground"},
        {&DefaultTheme::errorBackground, "errorBackground"},
        {&DefaultTheme::errorForeground, "errorForeground"},
        {&DefaultTheme::primaryBrandBackground, "primaryBrandBackground"},
        {&DefaultTheme::primaryBrandBackground2, "primaryBrandBackground2"},
        {&DefaultTheme::primaryBrandForeground, "primaryBrandForeground"},
        {&DefaultTheme::primaryBrandForeground2, "primaryBrandForeground2"},
        {&DefaultTheme::secondaryBrandBackground, "secondaryBrandBackground"},
        {&DefaultTheme::secondaryBrandForeground, "secondaryBrandForeground"},
        {&DefaultTheme::surfaceBackground, "surfaceBackground"},
        {&DefaultTheme::surfaceForeground, "surfaceForeground"},
        {&DefaultTheme::uiPrimaryBackground, "uiPrimaryBackground"},
        {&DefaultTheme::uiPrimaryForeground, "uiPrimaryForeground"},
        {&DefaultTheme::uiSecondaryBackground, "uiSecondaryBackground"},
        {&DefaultTheme::uiSecondaryForeground, "uiSecondaryForeground"},
    }};
    return fields;
}

DefaultTheme::DefaultTheme(const std::shared_ptr<platform::Bundle>& overrideBundle)
    : DefaultTheme(overrideBundle, std::make_shared<ConfigurationFile>()) {}

DefaultTheme::DefaultTheme(const std::shared_ptr<platform::Bundle>& overrideBundle,
                           const std::shared_ptr<ConfigurationFile>& file)
    : bundle_(overrideBundle) {
    generatePlistData(*file);
    initializeColors(overrideBundle, nullptr);
    initializeConfigurations(*file);
    fonts_ = FontManager::fromConfiguration(file->decoder);
}

DefaultTheme::DefaultTheme(std::nullptr_t) : DefaultTheme(std::shared_ptr<platform::Bundle>{}) {}

DefaultTheme::DefaultTheme(const std::shared_ptr<const DefaultTheme>& defaultTheme)
    : DefaultTheme(defaultTheme, std::make_shared<ConfigurationFile>()) {}

DefaultTheme::DefaultTheme(const std::shared_ptr<const DefaultTheme>& defaultTheme,
                           const std::shared_ptr<ConfigurationFile>& file) {
    if (!defaultTheme) fatalError("DefaultTheme(defaultTheme:) needs a theme to copy");
    bundle_ = defaultTheme->bundle_;
    generatePlistData(*file);
    initializeColors(nullptr, defaultTheme.get());
    initializeConfigurations(*defaultTheme);
    // A decoded theme carries no fonts: its copy gets the default ones.
    fonts_ = defaultTheme->fonts_ ? std::make_shared<FontManager>(*defaultTheme->fonts_)
                                  : FontManager::makeDefault();
}

// The six button metrics. A designer's values lie within these ranges (points); a value outside
// keeps the default and is logged. A radius beyond half the height draws the same capsule, and a
// height stays far below the screen's, so that a button never covers what it belongs to.
namespace {
constexpr NumberRange cornerRadiusRange{0, 500};
constexpr NumberRange buttonHeightRange{0, 200};
constexpr NumberRange buttonWidthRange{0, 1000};
}  // namespace

DefaultTheme::DefaultTheme(const platform::Decoder& decoder) {
    auto container = decoder.keyedContainer();
    if (!container) return;
    auto read = [&](const char* key, const NumberRange& range, float& metric) {
        if (auto value = range.read(*container, key, Logger::quorvelthemes()))
            metric = static_cast<float>(*value);
    };
    read("primaryButtonCornerRadius", cornerRadiusRange, primaryButtonCornerRadius_);
    read("primaryButtonHeight", buttonHeightRange, primaryButtonHeight_);
    read("primaryButtonWidth", buttonWidthRange, primaryButtonWidth_);
    read("secondaryButtonCornerRadius", cornerRadiusRange, secondaryButtonCornerRadius_);
    read("secondaryButtonHeight", buttonHeightRange, secondaryButtonHeight_);
    read("secondaryButtonWidth", buttonWidthRange, secondaryButtonWidth_);
}

// Reads and parses the file once; a file that is there but cannot be used has been logged with
// the reason by ConfigurationFile.
void DefaultTheme::generatePlistData(ConfigurationFile& file) {
    file = ConfigurationFile::load(bundle_);
    if (!file.found) {
        Logger::quorvelthemes().info(
            "%s.plist was not found. If this is unexpected, verify a provided bundle", plistName);
    }
    if (file.bytes) plistData_ = std::exchange(file.bytes, std::nullopt);
}

void DefaultTheme::initializeColors(const std::shared_ptr<platform::Bundle>& overrideBundle,
                                    const DefaultTheme* defaults) {
    for (const auto& [field, name] : colorFields()) {
        if (defaults && defaults->*field) {
            this->*field = defaults->*field;
            continue;
        }
        auto color = ColorLookup::fromBundle(name, overrideBundle);
        if (!color) missingBaseColor(name);
        this->*field = color;
    }
}

void DefaultTheme::initializeConfigurations(const ConfigurationFile& file) {
    if (!file.decoder) {
        Logger::quorvelthemes().info(
            "%s.plist was not found, or it doesn't contain required theme properties", plistName);
        return;
    }
    initializeConfigurations(DefaultTheme(*file.decoder));
}

void DefaultTheme::initializeConfigurations(const DefaultTheme& other) {
    primaryButtonCornerRadius_ = other.primaryButtonCornerRadius_;
    primaryButtonHeight_ = other.primaryButtonHeight_;
    primaryButtonWidth_ = other.primaryButtonWidth_;
    secondaryButtonCornerRadius_ = other.secondaryButtonCornerRadius_;
    secondaryButtonHeight_ = other.secondaryButtonHeight_;
    secondaryButtonWidth_ = other.secondaryButtonWidth_;
}

platform::Color DefaultTheme::resolvedColor(ColorField field) const {
    if (this->*field) return *(this->*field);
    for (const auto& named : colorFields()) {
        if (named.field != field) continue;
        if (auto color = ColorLookup::fromBundle(named.name, bundle_)) return *color;
        missingBaseColor(named.name);
    }
    fatalError("resolvedColor called with a field that is not a base colour");
}

}  // namespace quorvel
