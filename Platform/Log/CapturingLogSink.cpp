#include "Platform/Log/CapturingLogSink.h"

namespace quorvel::platform {

void CapturingLogSink::write(const LogRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
}

std::vector<LogRecord> CapturingLogSink::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::vector<std::string> CapturingLogSink::messages() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> messages;
    messages.reserve(records_.size());
    for (const auto& record : records_) {
        messages.push_back(record.message);
    }
    return messages;
}

std::size_t CapturingLogSink::size() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

void CapturingLogSink::clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
}

}  // namespace quorvel::platform
