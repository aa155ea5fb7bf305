#include "Source/Configuration/CaptureConfiguration.h"

#include "Source/Configuration/CaptureTheme.h"
#include "Source/Configuration/FatalError.h"

namespace quorvel {

namespace {

std::shared_ptr<CaptureFeatures> required(std::shared_ptr<CaptureFeatures> features) {
    if (!features) fatalError("CaptureConfiguration needs a CaptureFeatures object");
    return features;
}

std::shared_ptr<CaptureTheme> required(std::shared_ptr<CaptureTheme> theme) {
    if (!theme) fatalError("CaptureConfiguration(theme:) needs a CaptureTheme object");
    return theme;
}

}  // namespace

CaptureConfiguration::CaptureConfiguration(std::shared_ptr<platform::Bundle> bundle,
                                           std::shared_ptr<CaptureFeatures> features)
    : bundle_(std::move(bundle)), features_(required(std::move(features))) {}

CaptureConfiguration::CaptureConfiguration(std::shared_ptr<CaptureTheme> theme,
                                           std::shared_ptr<CaptureFeatures> features)
    : theme_(required(std::move(theme))), features_(required(std::move(features))) {
    bundle_ = theme_->bundle();
}

CaptureConfiguration::CaptureConfiguration(std::shared_ptr<platform::Bundle> bundle)
    : CaptureConfiguration(std::move(bundle), std::make_shared<CaptureFeatures>()) {}

CaptureConfiguration::CaptureConfiguration(std::shared_ptr<CaptureTheme> theme)
    : CaptureConfiguration(std::move(theme), std::make_shared<CaptureFeatures>()) {}

CaptureConfiguration::CaptureConfiguration(std::nullptr_t,
                                           std::shared_ptr<CaptureFeatures> features)
    : CaptureConfiguration(std::shared_ptr<platform::Bundle>{}, std::move(features)) {}

CaptureConfiguration::CaptureConfiguration(std::nullptr_t)
    : CaptureConfiguration(std::shared_ptr<platform::Bundle>{}) {}

std::shared_ptr<CaptureConfiguration> CaptureConfiguration::getInstance() {
    return std::make_shared<CaptureConfiguration>(std::shared_ptr<platform::Bundle>{},
                                                  std::make_shared<CaptureFeatures>());
}

}  // namespace quorvel
