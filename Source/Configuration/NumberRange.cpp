#include "Source/Configuration/NumberRange.h"

#include "Source/Configuration/DefaultTheme.h"

namespace quorvel {

std::optional<double> NumberRange::read(const platform::KeyedContainer& container, const char* key,
                                        const platform::LogChannel& channel) const {
    const auto number = container.decodeDouble(key);
    if (!number) return std::nullopt;
    if (contains(*number)) return number;
    if (container.firstReportOf(key)) {
        channel.info("%s.plist: %s is %g, outside %g to %g; it is left at its default",
                     DefaultTheme::Constants::configurationPlistName, key, *number, lowest,
                     highest);
    }
    return std::nullopt;
}

}  // namespace quorvel
