#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Graphics/Color.h"

namespace quorvel {

struct ColorLookup {
    // The named colour of the override bundle's asset catalogue (no bundle: the application's main
    // bundle), else of the framework's resource bundle; none when neither holds it.
    static std::optional<platform::Color> fromBundle(
        std::string_view named, const std::shared_ptr<platform::Bundle>& overrideBundle);
};

}  // namespace quorvel
