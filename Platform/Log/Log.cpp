#include "Platform/Log/Log.h"

#include <mutex>
#include <utility>

#include "Platform/Log/StandardErrorLogSink.h"

namespace quorvel::platform {
namespace {

struct LogState {
    // Recursive, so that a sink (or an object it releases) may write to the log itself.
    std::recursive_mutex mutex;
    std::shared_ptr<LogSink> sink = std::make_shared<StandardErrorLogSink>();
};

// Never destroyed: background threads may still log while the process exits.
LogState& state() {
    static auto* const instance = new LogState;
    return *instance;
}

}  // namespace

std::shared_ptr<LogSink> Log::setSink(std::shared_ptr<LogSink> sink) {
    if (!sink) {
        sink = std::make_shared<StandardErrorLogSink>();
    }
    LogState& s = state();
    std::lock_guard lock(s.mutex);
    return std::exchange(s.sink, std::move(sink));
}

std::shared_ptr<LogSink> Log::sink() {
    LogState& s = state();
    std::lock_guard lock(s.mutex);
    return s.sink;
}

void Log::write(const LogRecord& record) {
    LogState& s = state();
    std::lock_guard lock(s.mutex);
    // Hold the sink for the call: a sink that replaces itself while writing stays alive.
    const std::shared_ptr<LogSink> sink = s.sink;
    sink->write(record);
}

}  // namespace quorvel::platform
