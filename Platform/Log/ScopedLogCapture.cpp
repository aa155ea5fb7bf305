#include "Platform/Log/ScopedLogCapture.h"

#include <utility>

#include "Platform/Log/Log.h"

namespace quorvel::platform {

ScopedLogCapture::ScopedLogCapture()
    : sink_(std::make_shared<CapturingLogSink>()), previous_(Log::setSink(sink_)) {}

ScopedLogCapture::~ScopedLogCapture() {
    Log::setSink(std::move(previous_));
}

}  // namespace quorvel::platform
