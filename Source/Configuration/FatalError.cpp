#include "Source/Configuration/FatalError.h"

#include <cstdlib>
#include <string>

#include "Platform/Dispatch/MainQueueCheck.h"
#include "Source/Configuration/Logger.h"

namespace quorvel {

void fatalError(std::string_view message) {
    Logger::capture().error("Fatal error: %s", std::string(message));
    std::abort();
}

void requireMainQueue(std::string_view api) {
    if (!platform::MainQueueCheck::passes()) {
        fatalError(std::string(api) + " must be called on the main queue");
    }
}

}  // namespace quorvel
