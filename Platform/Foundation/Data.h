#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace quorvel::platform {

// Raw bytes: the contents of a file, a decoded property-list data element, an encoded image.
using Data = std::vector<std::uint8_t>;

// The whole contents of the regular file at `path`. None when the path does not exist, names a
// directory or anything else that is not a regular file (a FIFO or a device is never waited
// for), or cannot be read. FileContents::read reads up to a size limit and says why it failed.
std::optional<Data> readFile(const std::filesystem::path& path);

}  // namespace quorvel::platform
