#include "OutputFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>

namespace capturedemo {

namespace {

// A new file beside `path` for its next contents, and its name; -1 after setting errno.
int createBeside(const std::filesystem::path& path, std::string& name) {
    static std::atomic<unsigned> made{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (path.parent_path() /
                ("." + path.filename().string() + "." + std::to_string(::getpid()) + "-" +
                 std::to_string(made++) + ".part"))
                   .string();
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Every byte written to `fd` and on the disk; why not otherwise.
std::string writeAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    if (::fsync(fd) != 0) return std::strerror(errno);
    return {};
}

}  // namespace

std::string writeWhole(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::string part;
    const int fd = createBeside(path, part);
    if (fd < 0) return std::strerror(errno);
    std::string why = writeAll(fd, bytes.data(), bytes.size());
    if (::close(fd) != 0 && why.empty()) why = std::strerror(errno);
    if (why.empty() && ::rename(part.c_str(), path.c_str()) != 0) why = std::strerror(errno);
    if (!why.empty()) ::unlink(part.c_str());
    return why;
}

std::string whyNotWritable(const std::filesystem::path& folder, std::size_t longestName) {
    // The temporary name carries a counter that grows as files are written: the probe's name is
    // longer by the most digits the counter can gain.
    std::string name = ".capture-demo-check";
    name.resize(std::max(name.size(), longestName + std::numeric_limits<unsigned>::digits10), '-');
    const auto probe = folder / name;
    const std::string why = writeWhole(probe, {0});
    if (why.empty()) ::unlink(probe.c_str());
    return why;
}

}  // namespace capturedemo
