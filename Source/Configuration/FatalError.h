#pragma once

#include <string_view>

namespace quorvel {

// Stops the program on a programming or packaging error: writes the message at error level on the
// capture channel, then aborts. The one way the framework stops itself.
[[noreturn]] void fatalError(std::string_view message);

// Stops the program through fatalError() when `api`, meant for the main queue only, is called
// elsewhere. Checked in debug and sanitizer builds only (platform::MainQueueCheck).
void requireMainQueue(std::string_view api);

}  // namespace quorvel
