#pragma once

#include <string_view>

namespace quorvel::platform {

// Levels of the unified log that the system writes at: info for fallbacks and noteworthy events,
// error for failures.
enum class LogLevel {
    info,
    error,
};

constexpr std::string_view logLevelName(LogLevel level) {
    return level == LogLevel::error ? "error" : "info";
}

}  // namespace quorvel::platform
