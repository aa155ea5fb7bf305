#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "Platform/Foundation/Data.h"

namespace quorvel::platform {

// The whole contents of a file read with a size limit, or why there are none.
struct FileContents {
    enum class Failure {
        none,
        missing,         // Nothing at the path (or a dangling link).
        notRegularFile,  // A directory, a FIFO, a device...: never opened.
        tooLarge,        // Larger than the limit: refused from its size, nothing read.
        unreadable,      // Could not be opened or read (permissions, I/O error).
    };

    std::optional<Data> bytes;
    Failure failure = Failure::none;
    // Why there are no bytes, in words for a log line ("Permission denied", "it is a directory",
    // "it holds 52428800 bytes, more than the 1048576 allowed"); empty when there are bytes.
    std::string reason;

    // Reads the regular file at `path` when it holds at most `maximumSize` bytes. A larger file
    // is refused from its size before any of it is read; one that grows past the limit while it
    // is read is refused as well. A FIFO or a device is never opened, so never waited for. With
    // `leading`, only the first `leading` bytes are read (all of a shorter file), as a reader of
    // a header alone needs.
    static FileContents read(const std::filesystem::path& path, std::size_t maximumSize,
                             std::optional<std::size_t> leading = std::nullopt);
};

}  // namespace quorvel::platform
