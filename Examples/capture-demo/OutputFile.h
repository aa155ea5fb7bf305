#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace capturedemo {

// Writes `bytes` to `path` whole or not at all: into a new file beside it, which replaces `path`
// only once every byte has reached the disk. Empty when written; otherwise why not, and nothing
// of the attempt is left behind.
std::string writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Why no file can be written in `folder` (one byte is written there and removed again to find
// out: a read-only folder and a full disk both show); empty when one can.
std::string whyNotWritable(const std::filesystem::path& folder);

}  // namespace capturedemo
