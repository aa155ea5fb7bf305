#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include "Source/Configuration/DefaultTheme.h"

namespace quorvel {

// The theme of the framework's own screens: the base theme plus 26 colours and 16 metrics of the
// capture, preview, crop and toast screens. A colour comes from the theme's bundle, else from a
// base colour; a metric from the configuration property list, else from a linked base metric or
// a literal. Resolved once when built; afterwards a plain holder of values.
class CaptureTheme : public DefaultTheme {
public:
    using CaptureColorField = std::optional<platform::Color> CaptureTheme::*;

    // Builds the base theme from `overrideBundle`, then the capture colours and metrics.
    explicit CaptureTheme(const std::shared_ptr<platform::Bundle>& overrideBundle);
    // No bundle (nullptr could be either pointer).
    explicit CaptureTheme(std::nullptr_t);
    // Builds on a copy of an existing base theme (its bundle, colours, metrics and fonts); the
    // capture colours and metrics come from that theme's bundle. Must not be null.
    explicit CaptureTheme(const std::shared_ptr<const DefaultTheme>& defaults);
    // Decodes the base and capture metrics; no bundle, colours or fonts. Never fails. A metric
    // outside its range (see CaptureTheme.cpp) is taken as absent, and is logged.
    explicit CaptureTheme(const platform::Decoder& decoder);

    // The colour a field holds, or, when the host cleared it (or the theme was decoded), its
    // fallback: the base colour of the fallback table (re-resolved by name when that one is
    // cleared too), with the table's alpha, or clear.
    platform::Color resolvedColor(CaptureColorField field) const;
    using DefaultTheme::resolvedColor;

    std::optional<platform::Color> captureBackgroundColor;
    std::optional<platform::Color> detectionStrokeColor;
    std::optional<platform::Color> detectionFillColor;
    std::optional<platform::Color> captureCircleStrokeColor;
    std::optional<platform::Color> captureCircleFillColor;
    std::optional<platform::Color> captureIconButtonTextColor;
    std::optional<platform::Color> capturePageCountBackgroundColor;
    std::optional<platform::Color> capturePageCountTextColor;
    std::optional<platform::Color> capturePreviewTitleColor;
    std::optional<platform::Color> capturePermissionMessageColor;
    std::optional<platform::Color> captureDocumentTypeButtonTextColor;
    std::optional<platform::Color> capturePermissionButtonBackgroundColor;
    std::optional<platform::Color> capturePermissionButtonTextColor;
    std::optional<platform::Color> capturePreviewDoneButtonBackgroundColor;
    std::optional<platform::Color> capturePreviewDoneButtonTextColor;
    std::optional<platform::Color> capturePreviewPageControlTintColor;
    std::optional<platform::Color> capturePreviewCurrentPageControlColor;
    std::optional<platform::Color> autoCaptureButtonTextColor;
    std::optional<platform::Color> autoCaptureDisabledButtonTextColor;
    std::optional<platform::Color> cropCancelButtonBackgroundColor;
    std::optional<platform::Color> cropCancelButtonTextColor;
    std::optional<platform::Color> cropDoneButtonBackgroundColor;
    std::optional<platform::Color> cropDoneButtonTextColor;
    std::optional<platform::Color> cropLoaderColor;
    std::optional<platform::Color> toastBackgroundColor;
    std::optional<platform::Color> toastTitleColor;

    float autoCaptureButtonCornerRadius = 0;
    float detectionLineWidth = 4;
    float captureCircleLineWidth = 2;
    float cropCancelButtonCornerRadius = 0;
    float cropDoneButtonCornerRadius = 24;
    float cropDoneButtonHeight = 48;
    float cropDoneButtonWidth = 138;
    float cropCornerPointDiameter = 30;
    float cropEdgeTouchThreshold = 50;
    float capturePermissionButtonCornerRadius = 24;
    float capturePermissionButtonHeight = 48;
    float capturePermissionButtonWidth = 138;
    float capturePreviewDoneButtonCornerRadius = 24;
    float capturePreviewDoneButtonHeight = 48;
    float capturePreviewDoneButtonWidth = 138;
    float toastCornerRadius = 24;

    // How a capture colour is resolved: its asset name in the theme's bundle, else the base colour
    // `fallback` with `fallbackAlpha` (when set), or clear when `fallback` is null.
    struct ColorRule {
        CaptureColorField field;
        const char* assetName;
        ColorField fallback;
        std::optional<double> fallbackAlpha;
    };
    static const std::array<ColorRule, 26>& colorRules();

private:
    CaptureTheme(const std::shared_ptr<platform::Bundle>& overrideBundle,
                 const std::shared_ptr<ConfigurationFile>& file);
    CaptureTheme(const std::shared_ptr<const DefaultTheme>& defaults,
                 const std::shared_ptr<ConfigurationFile>& file);
    void initializeColors(const std::shared_ptr<platform::Bundle>& overrideBundle);
    void initializeConfigurations(const ConfigurationFile& file);
    platform::Color fallbackColor(const ColorRule& rule) const;
};

}  // namespace quorvel
