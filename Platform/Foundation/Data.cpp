#include "Platform/Foundation/Data.h"

#include <limits>

#include "Platform/Foundation/FileContents.h"

namespace quorvel::platform {

std::optional<Data> readFile(const std::filesystem::path& path) {
    return FileContents::read(path, std::numeric_limits<std::size_t>::max()).bytes;
}

}  // namespace quorvel::platform
