#pragma once

#include <string_view>

namespace quorvel::platform {

// Stops the program on a programming error in the user interface (a call off the main thread, an
// impossible request): writes the message to standard error and aborts. The one way the UI
// platform stops itself; death tests match the message.
[[noreturn]] void uiFatalError(std::string_view message);

// Stops with "<where> must be called on the main queue" unless the caller runs on the main
// thread. Unlike the main-queue check of views models elsewhere, the user interface checks in
// every build: a view touched from another thread corrupts the tree the painter walks.
void requireMainThread(std::string_view where);

}  // namespace quorvel::platform
