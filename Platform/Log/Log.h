#pragma once

#include <memory>

#include "Platform/Log/LogRecord.h"
#include "Platform/Log/LogSink.h"

namespace quorvel::platform {

// The process-wide destination of log records, standing in for the platform's unified log.
// By default records go to a StandardErrorLogSink. All members are thread-safe; writes are
// serialised, so a sink sees one record at a time. A sink may itself write to the log.
class Log {
public:
    Log() = delete;

    // Installs `sink` and returns the one it replaces. nullptr puts back the standard-error sink.
    static std::shared_ptr<LogSink> setSink(std::shared_ptr<LogSink> sink);
    static std::shared_ptr<LogSink> sink();

    static void write(const LogRecord& record);
};

}  // namespace quorvel::platform
