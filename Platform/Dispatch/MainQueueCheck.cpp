#include "Platform/Dispatch/MainQueueCheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Platform/Dispatch/DispatchQueue.h"

namespace quorvel::platform {

bool MainQueueCheck::enabled() {
#ifdef QUORVEL_MAIN_QUEUE_CHECKS
    return true;
#else
    return false;
#endif
}

bool MainQueueCheck::passes() {
    return !enabled() || DispatchQueue::main()->isCurrent();
}

void MainQueueCheck::require(std::string_view api, std::source_location where) {
    if (passes()) {
        return;
    }
    const std::string name(api);
    std::fprintf(stderr, "%s must be called on the main queue (called at %s:%u)\n", name.c_str(),
                 where.file_name(), static_cast<unsigned>(where.line()));
    std::abort();
}

}  // namespace quorvel::platform
