#include "Platform/UI/UIAssert.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform/Dispatch/MainRunLoop.h"

namespace quorvel::platform {

void uiFatalError(std::string_view message) {
    const std::string text(message);
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    std::abort();
}

void requireMainThread(std::string_view where) {
    if (!MainRunLoop::isCurrent()) {
        uiFatalError(std::string(where) + " must be called on the main queue");
    }
}

}  // namespace quorvel::platform
