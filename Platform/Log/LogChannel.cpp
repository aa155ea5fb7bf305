#include "Platform/Log/LogChannel.h"

#include <utility>

#include "Platform/Log/Log.h"
#include "Platform/Log/LogFormatter.h"

namespace quorvel::platform {

LogChannel::LogChannel(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

void LogChannel::write(LogLevel level, std::string_view format,
                       std::span<const LogArgument> arguments) const {
    Log::write(LogRecord{level, subsystem_, category_, LogFormatter::format(format, arguments)});
}

}  // namespace quorvel::platform
