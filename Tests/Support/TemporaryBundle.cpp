#include "Support/TemporaryBundle.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <system_error>
#include <vector>

namespace quorvel::testsupport {

namespace fs = std::filesystem;

namespace {

fs::path makePrivateDirectory() {
    std::string pattern = (fs::temp_directory_path() / "quorvel-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        throw fs::filesystem_error("cannot create a scratch directory", fs::path(pattern),
                                   std::error_code(errno, std::generic_category()));
    }
    return fs::path(buffer.data());
}

void writeBytes(const fs::path& path, const char* data, std::size_t size) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        throw fs::filesystem_error("cannot write a scratch file", path,
                                   std::make_error_code(std::errc::io_error));
    }
}

}  // namespace

TemporaryBundle::TemporaryBundle(std::string_view name)
    : root_(makePrivateDirectory()), path_(root_ / std::string(name)) {
    fs::create_directories(path_);
}

TemporaryBundle::~TemporaryBundle() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::shared_ptr<quorvel::platform::Bundle> TemporaryBundle::bundle() const {
    return quorvel::platform::Bundle::atPath(path_);
}

fs::path TemporaryBundle::write(std::string_view relativePath, std::string_view contents) const {
    const fs::path target = path_ / std::string(relativePath);
    writeBytes(target, contents.data(), contents.size());
    return target;
}

fs::path TemporaryBundle::write(std::string_view relativePath,
                                const quorvel::platform::Data& bytes) const {
    const fs::path target = path_ / std::string(relativePath);
    writeBytes(target, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return target;
}

fs::path TemporaryBundle::writePropertyList(std::string_view relativePath,
                                            std::string_view body) const {
    return write(relativePath, propertyListText(body));
}

fs::path TemporaryBundle::makeDirectory(std::string_view relativePath) const {
    const fs::path target = path_ / std::string(relativePath);
    fs::create_directories(target);
    return target;
}

fs::path TemporaryBundle::makeFifo(std::string_view relativePath) const {
    const fs::path target = path_ / std::string(relativePath);
    if (target.has_parent_path()) fs::create_directories(target.parent_path());
    if (::mkfifo(target.c_str(), 0600) != 0) {
        throw fs::filesystem_error("cannot make a FIFO", target,
                                   std::error_code(errno, std::generic_category()));
    }
    return target;
}

void TemporaryBundle::remove(std::string_view relativePath) const {
    std::error_code ignored;
    fs::remove_all(path_ / std::string(relativePath), ignored);
}

std::string TemporaryBundle::propertyListText(std::string_view body) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n";
    text += body;
    text += "\n</plist>\n";
    return text;
}

}  // namespace quorvel::testsupport
