#include "Platform/Foundation/Data.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace quorvel::platform {

namespace {

// Closes the descriptor on every way out of readFile.
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

}  // namespace

std::optional<Data> readFile(const std::filesystem::path& path) {
    if (path.empty()) return std::nullopt;
    // Only regular files are opened: opening a FIFO for reading waits for a writer, perhaps
    // forever, and opening a device may do anything.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    // The path may be replaced in between: the open does not block either (regular files ignore
    // the flag), and what was opened is checked again.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) return std::nullopt;
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;

    Data bytes;
    try {
        // The size is a hint only: files under /proc report 0 and still have contents.
        bytes.reserve(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 0));
        std::uint8_t chunk[64 * 1024];
        for (;;) {
            const ssize_t count = ::read(file.get(), chunk, sizeof chunk);
            if (count == 0) break;
            if (count < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            bytes.insert(bytes.end(), chunk, chunk + count);
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace quorvel::platform
