#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "Platform/Foundation/Bundle.h"
#include "Platform/Foundation/Data.h"

namespace quorvel::testsupport {

// A scratch bundle directory for a test, removed with everything in it on destruction.
//
//   TemporaryBundle host("Host.bundle");
//   host.writePropertyList("QuorvelConfiguration.plist", "<dict><key>detectionLineWidth</key>"
//                                                        "<real>6</real></dict>");
//   auto bundle = host.bundle();
//
// The directory is "<name>" inside a fresh private directory under the system's temporary
// directory, so several tests (and several test programs) never share one. Failures to create
// files throw std::filesystem::filesystem_error, which fails the test that asked.
class TemporaryBundle {
public:
    explicit TemporaryBundle(std::string_view name = "Test.bundle");
    ~TemporaryBundle();
    TemporaryBundle(const TemporaryBundle&) = delete;
    TemporaryBundle& operator=(const TemporaryBundle&) = delete;

    // The bundle directory.
    const std::filesystem::path& path() const { return path_; }
    // The bundle object for the directory.
    std::shared_ptr<quorvel::platform::Bundle> bundle() const;

    // Writes a file at `relativePath` inside the bundle, creating the folders on the way, and
    // returns its full path. An existing file is replaced.
    std::filesystem::path write(std::string_view relativePath, std::string_view contents) const;
    std::filesystem::path write(std::string_view relativePath,
                                const quorvel::platform::Data& bytes) const;
    // Writes `body` (the root value's XML, e.g. "<dict>...</dict>") wrapped as a property list.
    std::filesystem::path writePropertyList(std::string_view relativePath,
                                            std::string_view body) const;
    // Creates a folder (and its parents) inside the bundle and returns its full path.
    std::filesystem::path makeDirectory(std::string_view relativePath) const;
    // Makes a FIFO (named pipe) at `relativePath` inside the bundle and returns its full path.
    // Nobody writes to it: a reader that opens it waits for a writer.
    std::filesystem::path makeFifo(std::string_view relativePath) const;
    // Removes a file or folder inside the bundle; nothing when it is not there.
    void remove(std::string_view relativePath) const;

    // `body` wrapped in a property list's declaration, doctype and <plist> element.
    static std::string propertyListText(std::string_view body);

private:
    std::filesystem::path root_;  // The private directory, removed on destruction.
    std::filesystem::path path_;
};

}  // namespace quorvel::testsupport
