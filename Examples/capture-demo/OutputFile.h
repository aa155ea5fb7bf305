#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace capturedemo {

// Writes `bytes` to `path` whole or not at all: into a new file beside it, which replaces `path`
// only once every byte has reached the disk. Empty when written; otherwise why not, and nothing
// of the attempt is left behind.
std::string writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Why no file with a name of up to `longestName` characters can be written in `folder` (one
// byte is written there, through a temporary file as long-named as any writeWhole makes for
// such a name, and removed again to find out: a read-only folder, a full disk and a path too
// long for the system all show); empty when one can.
std::string whyNotWritable(const std::filesystem::path& folder, std::size_t longestName);

}  // namespace capturedemo
