#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Foundation/StringsTable.h"

namespace quorvel::platform {

// A bundle: a directory whose files are resources, as on the phone platform. The framework keeps
// its resource bundle "QuorvelCaptureResources.bundle" next to its library; hosts hand it bundles
// of their own.
//
// Bundles are shared: while a Bundle object for a directory is alive, every lookup of the same
// directory (atPath, main, containing) answers that same object, so its localization tables are
// read once. Safe to use from any thread.
class Bundle {
    struct Key {};

public:
    Bundle(Key, std::filesystem::path path);
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    // The bundle of the directory at `path` (made absolute and normalized); null when the path is
    // not an existing directory.
    static std::shared_ptr<Bundle> atPath(const std::filesystem::path& path);

    // The application's bundle: the one set with setMain(), else the directory of the running
    // executable. Never null.
    static std::shared_ptr<Bundle> main();
    // Replaces the application's bundle for the whole process; null goes back to the executable's
    // directory. Meant for tests and for hosts whose resources live elsewhere.
    static void setMain(std::shared_ptr<Bundle> bundle);

    // The bundle of the code at `address`: the directory of the loaded shared library that holds
    // it (as the dynamic loader found the library). An address in the executable, an address no
    // library holds, or a null address: main(). Never null.
    //
    // While a framework override is set (setFrameworkOverride), every call answers the override
    // instead, whatever the address: tests use it to stand in a scratch directory for the
    // framework's own bundle. The override is process-wide; null removes it.
    static std::shared_ptr<Bundle> containing(const void* address);
    static void setFrameworkOverride(std::shared_ptr<Bundle> bundle);

    const std::filesystem::path& bundlePath() const { return path_; }

    // "<bundle>/<name>.<type>" (just "<bundle>/<name>" when `type` is empty; a leading '.' of
    // `type` is ignored) when something of that name exists there, file or directory. `name` may
    // name a file in a subdirectory ("Fonts/Body"); a name that is empty, absolute or that climbs
    // out with ".." finds nothing.
    std::optional<std::filesystem::path> pathForResource(std::string_view name,
                                                         std::string_view type) const;
    // The same lookup, under the name the platform gives it for directories such as a resource
    // bundle "X.bundle": urlForResource("X", "bundle").
    std::optional<std::filesystem::path> urlForResource(std::string_view name,
                                                        std::string_view extension) const;

    // The value of `key` in the table "<bundle>/<table>.strings" (format in StringsTable.h); the
    // key itself when the table or the key is missing. An empty table name means "Localizable".
    // Each table is read on its first lookup and kept for the life of this object, missing
    // tables included; one that is there but cannot be read is logged then (StringsTable::read).
    std::string localizedString(std::string_view key, std::string_view table = "Localizable") const;

private:
    const StringsTable& table(std::string_view name) const;

    const std::filesystem::path path_;
    mutable std::mutex tablesMutex_;
    mutable std::map<std::string, StringsTable, std::less<>> tables_;
};

}  // namespace quorvel::platform
