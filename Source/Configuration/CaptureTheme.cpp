#include "Source/Configuration/CaptureTheme.h"

#include "Platform/UI/AssetCatalog.h"
#include "Source/Configuration/FatalError.h"
#include "Source/Configuration/Logger.h"
#include "Source/Configuration/NumberRange.h"

namespace quorvel {

namespace {

using T = CaptureTheme;
using D = DefaultTheme;

// Which base metric a capture metric takes when the file lacks it (null: the capture metric's own
// literal), and the values a designer may give it, in points. A value outside the range is taken
// as absent, and is logged: a radius beyond half the height draws the same capsule, a button
// height stays far below the screen's, lines and handles stay thin enough to leave the page
// visible.
struct MetricRule {
    float CaptureTheme::*field;
    const char* key;
    float (DefaultTheme::*linked)() const;
    NumberRange range;
};

constexpr NumberRange radius{0, 500};
constexpr NumberRange height{0, 200};
constexpr NumberRange width{0, 1000};
constexpr NumberRange lineWidth{0, 50};
constexpr NumberRange touchSize{0, 200};

// In the order of the capture theme's key set.
const std::array<MetricRule, 16> metricRules{{
    {&T::capturePermissionButtonCornerRadius, "capturePermissionButtonCornerRadius",
     &D::primaryButtonCornerRadius, radius},
    {&T::capturePermissionButtonHeight, "capturePermissionButtonHeight", &D::primaryButtonHeight,
     height},
    {&T::capturePermissionButtonWidth, "capturePermissionButtonWidth", &D::primaryButtonWidth,
     width},
    {&T::autoCaptureButtonCornerRadius, "autoCaptureButtonCornerRadius",
     &D::secondaryButtonCornerRadius, radius},
    {&T::cropCancelButtonCornerRadius, "cropCancelButtonCornerRadius",
     &D::secondaryButtonCornerRadius, radius},
    {&T::cropDoneButtonCornerRadius, "cropDoneButtonCornerRadius", &D::primaryButtonCornerRadius,
     radius},
    {&T::detectionLineWidth, "detectionLineWidth", nullptr, lineWidth},
    {&T::captureCircleLineWidth, "captureCircleLineWidth", nullptr, lineWidth},
    {&T::cropCornerPointDiameter, "cropCornerPointDiameter", nullptr, touchSize},
    {&T::cropEdgeTouchThreshold, "cropEdgeTouchThreshold", nullptr, touchSize},
    {&T::capturePreviewDoneButtonCornerRadius, "capturePreviewDoneButtonCornerRadius",
     &D::primaryButtonCornerRadius, radius},
    {&T::capturePreviewDoneButtonHeight, "capturePreviewDoneButtonHeight", &D::primaryButtonHeight,
     height},
    {&T::capturePreviewDoneButtonWidth, "capturePreviewDoneButtonWidth", &D::primaryButtonWidth,
     width},
    {&T::cropDoneButtonHeight, "cropDoneButtonHeight", &D::primaryButtonHeight, height},
    {&T::cropDoneButtonWidth, "cropDoneButtonWidth", &D::primaryButtonWidth, width},
    {&T::toastCornerRadius, "toastCornerRadius", nullptr, radius},
}};

}  // namespace

const std::array<CaptureTheme::ColorRule, 26>& CaptureTheme::colorRules() {
    // Both preview Done button colours use the permission button's assets, and the current-page
    // indicator uses "capturePreviewPageIndicatorColor".
    static const std::array<ColorRule, 26> rules{{
        {&T::captureBackgroundColor, "captureBackgroundColor", &D::uiSecondaryBackground, {}},
        {&T::detectionStrokeColor, "detectionStrokeColor", &D::primaryBrandBackground, {}},
        {&T::detectionFillColor, "detectionFillColor", &D::primaryBrandBackground, 0.25},
        {&T::captureCircleStrokeColor, "captureCircleStrokeColor", &D::primaryBrandForeground, {}},
        {&T::captureCircleFillColor, "captureCircleFillColor", nullptr, {}},
        {&T::captureIconButtonTextColor,
         "captureIconButtonTextColor",
         &D::uiSecondaryForeground,
         {}},
        {&T::capturePageCountBackgroundColor,
         "capturePageCountBackgroundColor",
         &D::errorBackground,
         {}},
        {&T::capturePageCountTextColor, "capturePageCountTextColor", &D::uiSecondaryForeground, {}},
        {&T::capturePreviewTitleColor, "capturePreviewTitleColor", &D::uiSecondaryForeground, {}},
        {&T::capturePermissionMessageColor,
         "capturePermissionMessageColor",
         &D::uiSecondaryForeground,
         {}},
        {&T::captureDocumentTypeButtonTextColor,
         "captureDocumentTypeButtonTextColor",
         &D::uiSecondaryForeground,
         {}},
        {&T::capturePermissionButtonBackgroundColor,
         "capturePermissionButtonBackgroundColor",
         &D::primaryBrandBackground2,
         {}},
        {&T::capturePermissionButtonTextColor,
         "capturePermissionButtonTextColor",
         &D::primaryBrandForeground2,
         {}},
        {&T::capturePreviewDoneButtonBackgroundColor,
         "capturePermissionButtonBackgroundColor",
         &D::primaryBrandBackground2,
         {}},
        {&T::capturePreviewDoneButtonTextColor,
         "capturePermissionButtonTextColor",
         &D::primaryBrandForeground2,
         {}},
        {&T::capturePreviewPageControlTintColor,
         "capturePreviewPageControlTintColor",
         &D::primaryBrandForeground2,
         {}},
        {&T::capturePreviewCurrentPageControlColor,
         "capturePreviewPageIndicatorColor",
         &D::primaryBrandBackground2,
         {}},
        {&T::autoCaptureButtonTextColor,
         "autoCaptureButtonTextColor",
         &D::uiSecondaryForeground,
         {}},
        {&T::autoCaptureDisabledButtonTextColor,
         "autoCaptureDisabledButtonTextColor",
         &D::disabledBackground,
         {}},
        {&T::cropCancelButtonBackgroundColor,
         "cropCancelButtonBackgroundColor",
         &D::uiSecondaryBackground,
         {}},
        {&T::cropCancelButtonTextColor, "cropCancelButtonTextColor", &D::uiSecondaryForeground, {}},
        {&T::cropDoneButtonBackgroundColor,
         "cropDoneButtonBackgroundColor",
         &D::primaryBrandBackground2,
         {}},
        {&T::cropDoneButtonTextColor, "cropDoneButtonTextColor", &D::primaryBrandForeground2, {}},
        {&T::cropLoaderColor, "cropLoaderColor", &D::uiSecondaryForeground, {}},
        {&T::toastBackgroundColor, "toastBackgroundColor", &D::uiSecondaryBackground, 0.45},
        {&T::toastTitleColor, "toastTitleColor", &D::uiSecondaryForeground, {}},
    }};
    return rules;
}

CaptureTheme::CaptureTheme(const std::shared_ptr<platform::Bundle>& overrideBundle)
    : CaptureTheme(overrideBundle, std::make_shared<ConfigurationFile>()) {}

CaptureTheme::CaptureTheme(const std::shared_ptr<platform::Bundle>& overrideBundle,
                           const std::shared_ptr<ConfigurationFile>& file)
    : DefaultTheme(overrideBundle, file) {
    initializeColors(bundle());
    initializeConfigurations(*file);
}

CaptureTheme::CaptureTheme(std::nullptr_t) : CaptureTheme(std::shared_ptr<platform::Bundle>{}) {}

CaptureTheme::CaptureTheme(const std::shared_ptr<const DefaultTheme>& defaults)
    : CaptureTheme(defaults, std::make_shared<ConfigurationFile>()) {}

CaptureTheme::CaptureTheme(const std::shared_ptr<const DefaultTheme>& defaults,
                           const std::shared_ptr<ConfigurationFile>& file)
    : DefaultTheme(defaults, file) {
    initializeColors(bundle());
    initializeConfigurations(*file);
}

CaptureTheme::CaptureTheme(const platform::Decoder& decoder) : DefaultTheme(decoder) {
    auto container = decoder.keyedContainer();
    if (!container) return;
    for (const auto& rule : metricRules) {
        if (auto value = rule.range.read(*container, rule.key, Logger::capture())) {
            this->*rule.field = static_cast<float>(*value);
        } else if (rule.linked) {
            this->*rule.field = (this->*rule.linked)();
        }
    }
}

void CaptureTheme::initializeColors(const std::shared_ptr<platform::Bundle>& overrideBundle) {
    // Only the theme's bundle is searched (none: the main bundle), never the resource bundle.
    for (const auto& rule : colorRules()) {
        auto color = platform::AssetCatalog::color(rule.assetName, overrideBundle);
        this->*rule.field = color ? *color : fallbackColor(rule);
    }
}

// Decodes the parse the base theme made of the file (its base keys once more, for the linked
// metrics, whose problems were logged the first time).
void CaptureTheme::initializeConfigurations(const ConfigurationFile& file) {
    if (!file.decoder) {
        Logger::capture().info(
            "%s.plist was not found, or doesn't contain a CaptureTheme definition. Default theme "
            "will be used.",
            Constants::configurationPlistName);
        return;
    }
    const CaptureTheme decoded(*file.decoder);
    for (const auto& rule : metricRules) this->*rule.field = decoded.*rule.field;
}

platform::Color CaptureTheme::fallbackColor(const ColorRule& rule) const {
    if (!rule.fallback) return platform::Color::clear();
    const platform::Color base = resolvedColor(rule.fallback);
    return rule.fallbackAlpha ? base.withAlpha(*rule.fallbackAlpha) : base;
}

platform::Color CaptureTheme::resolvedColor(CaptureColorField field) const {
    if (this->*field) return *(this->*field);
    for (const auto& rule : colorRules()) {
        if (rule.field == field) return fallbackColor(rule);
    }
    fatalError("resolvedColor called with a field that is not a capture colour");
}

}  // namespace quorvel
