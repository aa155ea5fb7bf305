#pragma once

#include <source_location>
#include <string_view>

namespace quorvel::platform {

// The check that code meant for the main queue only (views, controls, view models) runs there.
// Debug and sanitizer builds of the library check; other builds skip the check, so it costs
// nothing there.
class MainQueueCheck {
public:
    // Whether this build checks.
    static bool enabled();

    // Whether the caller may go on: the build does not check, or the caller runs on the main
    // queue.
    static bool passes();

    // Stops the program with a message naming `api` and the caller's place when the check does
    // not pass.
    static void require(std::string_view api,
                        std::source_location where = std::source_location::current());
};

}  // namespace quorvel::platform
