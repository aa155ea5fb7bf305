#include "Platform/Graphics/PictureFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace quorvel::platform {

namespace {

// Why the file at `path` is not read at all; empty when it is a regular file that can be read.
// Only regular files are read: a FIFO would wait for a writer forever.
std::string whyNotRead(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::string("cannot read: ") + std::strerror(errno);
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    if (::access(path.c_str(), R_OK) != 0)
        return std::string("cannot read: ") + std::strerror(errno);
    return {};
}

// "too large: <why>", "cannot decode: <why>" or "cannot read: <why>", the reason's sentence
// written as a clause.
std::string describe(const ImageFailure& failure) {
    using Kind = ImageFailure::Kind;
    std::string reason = failure.reason;
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    if (!reason.empty() && std::isupper(static_cast<unsigned char>(reason[0]))) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    const char* what = failure.kind == Kind::tooLarge     ? "too large"
                       : failure.kind == Kind::unreadable ? "cannot read"
                                                          : "cannot decode";
    return reason.empty() ? what : std::string(what) + ": " + reason;
}

}  // namespace

std::shared_ptr<Image> PictureFile::read(const std::filesystem::path& path, bool upright,
                                         std::string& why) {
    why = whyNotRead(path);
    if (!why.empty()) return nullptr;
    ImageFailure failure;
    auto image = upright ? Image::uprightContentsOfFile(path, &failure)
                         : Image::contentsOfFile(path, &failure);
    if (!image) why = describe(failure);
    return image;
}

std::optional<Size> PictureFile::examine(const std::filesystem::path& path, std::string& why) {
    why = whyNotRead(path);
    if (!why.empty()) return std::nullopt;
    ImageFailure failure;
    const auto size = Image::pixelSizeOfFile(path, &failure);
    if (!size) why = describe(failure);
    return size;
}

}  // namespace quorvel::platform
