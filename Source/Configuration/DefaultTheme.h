#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/Decoder.h"
#include "Platform/Graphics/Color.h"
#include "Source/Configuration/ConfigurationFile.h"
#include "Source/Configuration/FontManager.h"

namespace quorvel {

// The base theme: the host's override bundle, the bytes of its configuration property list, 16
// brand colours, six button metrics and the fonts. Everything is resolved once, when the theme is
// built; consumers read the stored values. A host may replace any colour afterwards.
class DefaultTheme {
public:
    struct Constants {
        static constexpr const char* configurationPlistName = "QuorvelConfiguration";
        static constexpr float defaultRoundedCornerRadius = 24;
        static constexpr float defaultRectangularCornerRadius = 0;
        static constexpr float defaultButtonHeight = 48;
    };

    using ColorField = std::optional<platform::Color> DefaultTheme::*;

    DefaultTheme() = delete;
    // Builds a theme from a host bundle; no bundle is allowed. Stops the program when a base
    // colour is in neither the host's bundle (or the main bundle) nor the resource bundle.
    explicit DefaultTheme(const std::shared_ptr<platform::Bundle>& overrideBundle);
    // No bundle (nullptr could be either pointer).
    explicit DefaultTheme(std::nullptr_t);
    // Copies `defaultTheme`: its bundle (the configuration file is read again from it), colours,
    // metrics and fonts. Must not be null.
    explicit DefaultTheme(const std::shared_ptr<const DefaultTheme>& defaultTheme);
    // Decodes the six button metrics; no bundle, colours or fonts. Never fails. A metric outside
    // its range (see DefaultTheme.cpp) keeps its default, and is logged.
    explicit DefaultTheme(const platform::Decoder& decoder);
    virtual ~DefaultTheme() = default;

    const std::shared_ptr<platform::Bundle>& bundle() const { return bundle_; }
    const std::optional<platform::Data>& plistData() const { return plistData_; }
    float primaryButtonCornerRadius() const { return primaryButtonCornerRadius_; }
    float primaryButtonHeight() const { return primaryButtonHeight_; }
    float primaryButtonWidth() const { return primaryButtonWidth_; }
    float secondaryButtonCornerRadius() const { return secondaryButtonCornerRadius_; }
    float secondaryButtonHeight() const { return secondaryButtonHeight_; }
    float secondaryButtonWidth() const { return secondaryButtonWidth_; }
    const std::shared_ptr<FontManager>& fonts() const { return fonts_; }

    // The colour a field holds, or, when the host cleared it (or the theme was decoded), the
    // colour of that name resolved afresh from the theme's bundle and the resource bundle.
    platform::Color resolvedColor(ColorField field) const;

    // The 16 brand colours; each colour's asset name is its field name.
    std::optional<platform::Color> disabledBackground;
    std::optional<platform::Color> disabledForeground;
    std::optional<platform::Color> errorBackground;
    std::optional<platform::Color> errorForeground;
    std::optional<platform::Color> primaryBrandBackground;
    std::optional<platform::Color> primaryBrandBackground2;
    std::optional<platform::Color> primaryBrandForeground;
    std::optional<platform::Color> primaryBrandForeground2;
    std::optional<platform::Color> secondaryBrandBackground;
    std::optional<platform::Color> secondaryBrandForeground;
    std::optional<platform::Color> surfaceBackground;
    std::optional<platform::Color> surfaceForeground;
    std::optional<platform::Color> uiPrimaryBackground;
    std::optional<platform::Color> uiPrimaryForeground;
    std::optional<platform::Color> uiSecondaryBackground;
    std::optional<platform::Color> uiSecondaryForeground;

    struct NamedColor {
        ColorField field;
        const char* name;
    };
    // The 16 colours in declaration order with their asset names.
    static const std::array<NamedColor, 16>& colorFields();

protected:
    // For a theme that reads keys of its own from the configuration file: the base theme reads
    // and parses the file into `file`, and the derived theme decodes the same parse.
    DefaultTheme(const std::shared_ptr<platform::Bundle>& overrideBundle,
                 const std::shared_ptr<ConfigurationFile>& file);
    DefaultTheme(const std::shared_ptr<const DefaultTheme>& defaultTheme,
                 const std::shared_ptr<ConfigurationFile>& file);

    void generatePlistData(ConfigurationFile& file);

private:
    void initializeColors(const std::shared_ptr<platform::Bundle>& overrideBundle,
                          const DefaultTheme* defaults);
    void initializeConfigurations(const ConfigurationFile& file);
    void initializeConfigurations(const DefaultTheme& other);

    std::shared_ptr<platform::Bundle> bundle_;
    std::optional<platform::Data> plistData_;
    float primaryButtonCornerRadius_ = Constants::defaultRoundedCornerRadius;
    float primaryButtonHeight_ = Constants::defaultButtonHeight;
    float primaryButtonWidth_ = 138;
    float secondaryButtonCornerRadius_ = Constants::defaultRectangularCornerRadius;
    float secondaryButtonHeight_ = Constants::defaultButtonHeight;
    float secondaryButtonWidth_ = 138;
    std::shared_ptr<FontManager> fonts_;
};

}  // namespace quorvel
