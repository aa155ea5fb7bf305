#pragma once

#include "Platform/Log/LogChannel.h"

namespace quorvel {

// The framework's two log channels. "quorvelthemes" carries the messages of the fonts and the
// base theme's configuration; "capture" carries everything else. Each channel is made on first
// use, once per process, and safely when several threads reach it together.
struct Logger {
    static platform::LogChannel& capture();
    static platform::LogChannel& quorvelthemes();

    static constexpr const char* subsystem = "com.quorvelhq.capture";
};

}  // namespace quorvel
