#pragma once

#include <string>

#include "Platform/Log/LogLevel.h"

namespace quorvel::platform {

// One message as it reaches a sink: already formatted.
struct LogRecord {
    LogLevel level = LogLevel::info;
    std::string subsystem;
    std::string category;
    std::string message;

    bool operator==(const LogRecord&) const = default;
};

}  // namespace quorvel::platform
