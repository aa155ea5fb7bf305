#include "Platform/Foundation/FileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <system_error>
#include <utility>

namespace quorvel::platform {

namespace {

// Closes the descriptor on every way out of read().
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

FileContents failed(FileContents::Failure failure, std::string reason) {
    FileContents contents;
    contents.failure = failure;
    contents.reason = std::move(reason);
    return contents;
}

FileContents failedWithErrno(int error) {
    if (error == ENOENT || error == ENOTDIR) {
        return failed(FileContents::Failure::missing, "no such file");
    }
    return failed(FileContents::Failure::unreadable,
                  std::error_code(error, std::generic_category()).message());
}

FileContents notRegular(const struct stat& status) {
    return failed(FileContents::Failure::notRegularFile,
                  S_ISDIR(status.st_mode) ? "it is a directory" : "it is not a regular file");
}

FileContents tooLarge(std::size_t size, std::size_t maximumSize) {
    return failed(FileContents::Failure::tooLarge, "it holds " + std::to_string(size) +
                                                       " bytes, more than the " +
                                                       std::to_string(maximumSize) + " allowed");
}

}  // namespace

FileContents FileContents::read(const std::filesystem::path& path, std::size_t maximumSize,
                                std::optional<std::size_t> leading) {
    if (path.empty()) return failed(Failure::missing, "no path was given");
    // Only regular files are opened: opening a FIFO for reading waits for a writer, perhaps
    // forever, and opening a device may do anything.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return failedWithErrno(errno);
    if (!S_ISREG(status.st_mode)) return notRegular(status);
    if (status.st_size > 0 && static_cast<std::uintmax_t>(status.st_size) > maximumSize) {
        return tooLarge(static_cast<std::size_t>(status.st_size), maximumSize);
    }
    // The path may be replaced in between: the open does not block either (regular files ignore
    // the flag), and what was opened is checked again.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) return failedWithErrno(errno);
    if (::fstat(file.get(), &status) != 0) return failedWithErrno(errno);
    if (!S_ISREG(status.st_mode)) return notRegular(status);
    if (status.st_size > 0 && static_cast<std::uintmax_t>(status.st_size) > maximumSize) {
        return tooLarge(static_cast<std::size_t>(status.st_size), maximumSize);
    }

    Data bytes;
    try {
        // The size is a hint only: files under /proc report 0 and still have contents.
        const auto size = static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 0);
        bytes.reserve(leading ? std::min(size, *leading) : size);
        std::uint8_t chunk[64 * 1024];
        while (!leading || bytes.size() < *leading) {
            const std::size_t wanted =
                leading ? std::min(sizeof chunk, *leading - bytes.size()) : sizeof chunk;
            const ssize_t count = ::read(file.get(), chunk, wanted);
            if (count == 0) break;
            if (count < 0) {
                if (errno == EINTR) continue;
                return failedWithErrno(errno);
            }
            if (static_cast<std::size_t>(count) > maximumSize - bytes.size()) {
                return tooLarge(bytes.size() + static_cast<std::size_t>(count), maximumSize);
            }
            bytes.insert(bytes.end(), chunk, chunk + count);
        }
    } catch (const std::bad_alloc&) {
        return failed(Failure::unreadable, "there is not enough memory to hold it");
    }
    FileContents contents;
    contents.bytes = std::move(bytes);
    return contents;
}

}  // namespace quorvel::platform
