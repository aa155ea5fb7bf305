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
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return std::nullopt;

    struct stat status {};
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
