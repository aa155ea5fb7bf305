#include "Source/Configuration/FatalError.h"

#include <cstdlib>
#include <string>

#include "Source/Configuration/Logger.h"

namespace quorvel {

void fatalError(std::string_view message) {
    Logger::capture().error("Fatal error: %s", std::string(message));
    std::abort();
}

}  // namespace quorvel
