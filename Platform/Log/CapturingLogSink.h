#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Log/LogSink.h"

namespace quorvel::platform {

// Keeps every record in memory, for tests. Thread-safe; the accessors return copies.
class CapturingLogSink final : public LogSink {
public:
    void write(const LogRecord& record) override;

    std::vector<LogRecord> records() const;
    // The message texts, in the order they were written.
    std::vector<std::string> messages() const;
    std::size_t size() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<LogRecord> records_;
};

}  // namespace quorvel::platform
