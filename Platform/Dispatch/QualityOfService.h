#pragma once

#include <string_view>

namespace quorvel::platform {

// Scheduling classes of queues, from the most to the least urgent. The stand-in records the class
// and keeps one global pool per class, but does not change thread priorities.
enum class QualityOfService {
    userInteractive,
    userInitiated,
    defaultQoS,
    utility,
    background,
    unspecified,
};

constexpr std::string_view qualityOfServiceName(QualityOfService qos) {
    switch (qos) {
        case QualityOfService::userInteractive:
            return "userInteractive";
        case QualityOfService::userInitiated:
            return "userInitiated";
        case QualityOfService::defaultQoS:
            return "default";
        case QualityOfService::utility:
            return "utility";
        case QualityOfService::background:
            return "background";
        case QualityOfService::unspecified:
            break;
    }
    return "unspecified";
}

}  // namespace quorvel::platform
