#pragma once

#include <cstddef>
#include <memory>

#include "Platform/Foundation/Bundle.h"
#include "Source/Configuration/CaptureFeatures.h"

namespace quorvel {

class CaptureTheme;

// What a host hands to the framework: an optional override bundle (its asset catalogue,
// configuration property list and texts), an optional ready-made capture theme, and the feature
// switches. Fixed once built; the features object is shared with the host, not copied.
class CaptureConfiguration {
public:
    CaptureConfiguration() = delete;

    // `features` must not be null.
    CaptureConfiguration(std::shared_ptr<platform::Bundle> bundle,
                         std::shared_ptr<CaptureFeatures> features);
    // The bundle is the theme's bundle as it is now. Neither argument may be null.
    CaptureConfiguration(std::shared_ptr<CaptureTheme> theme,
                         std::shared_ptr<CaptureFeatures> features);
    explicit CaptureConfiguration(std::shared_ptr<platform::Bundle> bundle);
    explicit CaptureConfiguration(std::shared_ptr<CaptureTheme> theme);
    // No bundle: nullptr could be either pointer above, and a theme may not be null.
    CaptureConfiguration(std::nullptr_t, std::shared_ptr<CaptureFeatures> features);
    explicit CaptureConfiguration(std::nullptr_t);

    // A new configuration with no bundle and default switches, on every call.
    static std::shared_ptr<CaptureConfiguration> getInstance();

    const std::shared_ptr<platform::Bundle>& bundle() const { return bundle_; }
    const std::shared_ptr<CaptureTheme>& theme() const { return theme_; }
    const std::shared_ptr<CaptureFeatures>& features() const { return features_; }

private:
    std::shared_ptr<platform::Bundle> bundle_;
    std::shared_ptr<CaptureTheme> theme_;
    std::shared_ptr<CaptureFeatures> features_;
};

}  // namespace quorvel
