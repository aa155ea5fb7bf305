#include "Source/Configuration/DefaultTheme.h"

#include <string>

#include "Source/Configuration/ColorLookup.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"

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
    : bundle_(overrideBundle) {
    generatePlistData();
    initializeColors(overrideBundle, nullptr);
    initializeConfigurations();
    fonts_ = std::make_shared<FontManager>(overrideBundle);
}

DefaultTheme::DefaultTheme(std::nullptr_t) : DefaultTheme(std::shared_ptr<platform::Bundle>{}) {}

DefaultTheme::DefaultTheme(const std::shared_ptr<const DefaultTheme>& defaultTheme) {
    if (!defaultTheme) fatalError("DefaultTheme(defaultTheme:) needs a theme to copy");
    bundle_ = defaultTheme->bundle_;
    generatePlistData();
    initializeColors(nullptr, defaultTheme.get());
    initializeConfigurations(*defaultTheme);
    // A decoded theme carries no fonts: its copy gets the default ones.
    fonts_ = defaultTheme->fonts_ ? std::make_shared<FontManager>(*defaultTheme->fonts_)
                                  : FontManager::makeDefault();
}

DefaultTheme::DefaultTheme(const platform::Decoder& decoder) {
    auto container = decoder.keyedContainer();
    if (!container) return;
    auto read = [&](const char* key, float& metric) {
        if (auto value = container->decodeFloat(key)) metric = *value;
    };
    read("primaryButtonCornerRadius", primaryButtonCornerRadius_);
    read("primaryButtonHeight", primaryButtonHeight_);
    read("primaryButtonWidth", primaryButtonWidth_);
    read("secondaryButtonCornerRadius", secondaryButtonCornerRadius_);
    read("secondaryButtonHeight", secondaryButtonHeight_);
    read("secondaryButtonWidth", secondaryButtonWidth_);
}

void DefaultTheme::generatePlistData() {
    std::optional<platform::Data> data;
    if (bundle_) {
        if (auto path = bundle_->pathForResource(plistName, "plist"))
            data = platform::readFile(*path);
    }
    if (!data) {
        Logger::quorvelthemes().info(
            "%s.plist was not found. If this is unexpected, verify a provided bundle", plistName);
        return;
    }
    plistData_ = std::move(data);
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

void DefaultTheme::initializeConfigurations() {
    std::optional<DefaultTheme> decoded;
    if (plistData_) decoded = platform::PropertyListDecoder::decode<DefaultTheme>(*plistData_);
    if (!decoded) {
        Logger::quorvelthemes().info(
            "%s.plist was not found, or it doesn't contain required theme properties", plistName);
        return;
    }
    initializeConfigurations(*decoded);
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
