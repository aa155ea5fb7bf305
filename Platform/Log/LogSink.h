#pragma once

#include "Platform/Log/LogRecord.h"

namespace quorvel::platform {

// Where log records go. Log serialises the calls, so a sink sees one record at a time.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const LogRecord& record) = 0;
};

}  // namespace quorvel::platform
