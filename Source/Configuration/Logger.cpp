#include "Source/Configuration/Logger.h"

namespace quorvel {

platform::LogChannel& Logger::capture() {
    static platform::LogChannel channel(subsystem, "capture");
    return channel;
}

platform::LogChannel& Logger::quorvelthemes() {
    static platform::LogChannel channel(subsystem, "quorvelthemes");
    return channel;
}

}  // namespace quorvel
