#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Platform/Graphics/Geometry.h"
#include "Platform/Graphics/Image.h"

namespace quorvel::platform {

// A picture file a person named (on a command line, in a folder), read by the library's own
// reader, and why it gives no picture in words they can act on: "cannot read: <why>" (missing,
// not permitted...), "not a regular file" (a folder, a FIFO, a device: never opened), "cannot
// decode: <why>" (empty, not a JPEG or PNG, cut short, corrupt) or "too large: <why>" (a file
// over Image::maximumFileSize, refused before it is read; a picture over the pixel limit or too
// long on a side). Every program that reads such files says it in the same words.
class PictureFile {
public:
    PictureFile() = delete;

    // The picture at `path` (as Image::contentsOfFile gives it, or with its pixels turned upright
    // when `upright`); nullptr with why not in `why`.
    static std::shared_ptr<Image> read(const std::filesystem::path& path, bool upright,
                                       std::string& why);
    // The stored pixel size of the picture at `path` from its header alone (no pixel is
    // decoded); none, with why not in `why`, for whatever read() refuses before it decodes pixels.
    static std::optional<Size> examine(const std::filesystem::path& path, std::string& why);
};

}  // namespace quorvel::platform
