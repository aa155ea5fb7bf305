#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "Platform/Log/LogArgument.h"
#include "Platform/Log/LogLevel.h"

namespace quorvel::platform {

// A log object made from a subsystem and a category, standing in for the platform's unified-log
// handle. Messages are printf-style formats filled with type-safe arguments (see LogFormatter),
// e.g. channel.error("Received an error capturing image: %s", text). A channel is an immutable
// value and may be used from any thread.
class LogChannel {
public:
    LogChannel(std::string subsystem, std::string category);

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

    template <Loggable... Args>
    void info(std::string_view format, const Args&... args) const {
        log(LogLevel::info, format, args...);
    }

    template <Loggable... Args>
    void error(std::string_view format, const Args&... args) const {
        log(LogLevel::error, format, args...);
    }

    template <Loggable... Args>
    void log(LogLevel level, std::string_view format, const Args&... args) const {
        const std::array<LogArgument, sizeof...(Args)> arguments{LogArgument(args)...};
        write(level, format, arguments);
    }

    // Formats the message and hands the record to the process-wide sink.
    void write(LogLevel level, std::string_view format,
               std::span<const LogArgument> arguments) const;

private:
    std::string subsystem_;
    std::string category_;
};

}  // namespace quorvel::platform
