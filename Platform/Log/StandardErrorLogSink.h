#pragma once

#include <cstdio>
#include <string>

#include "Platform/Log/LogSink.h"

namespace quorvel::platform {

// Writes each record as one line, e.g.
//   [info] com.quorvelhq.capture/capture: Dismiss and return 2 image(s)
// to standard error (or to another stream given at construction).
class StandardErrorLogSink final : public LogSink {
public:
    explicit StandardErrorLogSink(std::FILE* stream = stderr);

    void write(const LogRecord& record) override;

    // The line written for `record`, without the line break.
    static std::string formatLine(const LogRecord& record);

private:
    std::FILE* stream_;
};

}  // namespace quorvel::platform
