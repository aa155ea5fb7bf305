#pragma once

#include <string_view>

namespace quorvel::platform {

// Stops the program on a programming error in the user interface (a call off the main thread, an
// impossible request): writes the message to standard error and aborts. The one way the UI
// platform stops itself; death tests match the message.
[[noreturn]] void uiFatalError(std::string_view message);

// Stops with "UI used off the main thread: <where>" unless the caller runs on the main thread.
void requireMainThread(std::string_view where);

}  // namespace quorvel::platform
