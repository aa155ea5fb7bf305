#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/Log/CapturingLogSink.h"

namespace quorvel::platform {

// Sends the log to a fresh CapturingLogSink for the lifetime of the object, then puts back the
// sink that was installed before.
class ScopedLogCapture {
public:
    ScopedLogCapture();
    ~ScopedLogCapture();

    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    CapturingLogSink& sink() const { return *sink_; }
    std::vector<LogRecord> records() const { return sink_->records(); }
    std::vector<std::string> messages() const { return sink_->messages(); }
    void clear() { sink_->clear(); }

private:
    std::shared_ptr<CapturingLogSink> sink_;
    std::shared_ptr<LogSink> previous_;
};

}  // namespace quorvel::platform
