#include "Platform/Foundation/Bundle.h"

#include <dlfcn.h>
#include <link.h>

#include <new>
#include <system_error>
#include <utility>
#include <vector>

namespace quorvel::platform {

namespace {

namespace fs = std::filesystem;

struct Registry {
    std::mutex mutex;
    std::shared_ptr<Bundle> mainOverride;
    std::shared_ptr<Bundle> frameworkOverride;
    std::map<std::string, std::weak_ptr<Bundle>> bundles;  // By normalized path.
};

// Never destroyed, so that code running during exit can still ask for bundles.
Registry& registry() {
    static Registry* const instance = new Registry();
    return *instance;
}

fs::path normalized(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::absolute(path, error);
    if (error) return {};
    result = result.lexically_normal();
    // "dir/" normalizes to "dir/": drop the empty last component.
    if (!result.has_filename() && result.has_relative_path()) result = result.parent_path();
    return result;
}

bool isSafeResourceName(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) return false;
    const fs::path path(name);
    if (path.is_absolute()) return false;
    for (const auto& component : path) {
        if (component == "..") return false;
    }
    return true;
}

fs::path executableDirectory() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (!error && executable.has_parent_path()) return executable.parent_path();
    return fs::current_path(error);
}

}  // namespace

Bundle::Bundle(Key, std::filesystem::path path) : path_(std::move(path)) {}

std::shared_ptr<Bundle> Bundle::atPath(const std::filesystem::path& path) {
    try {
        if (path.empty()) return nullptr;
        fs::path directory = normalized(path);
        std::error_code error;
        if (directory.empty() || !fs::is_directory(directory, error)) return nullptr;

        auto& shared = registry();
        std::lock_guard lock(shared.mutex);
        auto& slot = shared.bundles[directory.string()];
        if (auto existing = slot.lock()) return existing;
        auto bundle = std::make_shared<Bundle>(Key{}, std::move(directory));
        slot = bundle;
        // Forget directories whose bundles have all gone, now and then.
        if (shared.bundles.size() > 64) {
            std::erase_if(shared.bundles, [](const auto& entry) { return entry.second.expired(); });
        }
        return bundle;
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<Bundle> Bundle::main() {
    {
        auto& shared = registry();
        std::lock_guard lock(shared.mutex);
        if (shared.mainOverride) return shared.mainOverride;
    }
    // Kept for the life of the process, like the platform's main bundle.
    static const std::shared_ptr<Bundle> executableBundle = [] {
        if (auto bundle = atPath(executableDirectory())) return bundle;
        return std::make_shared<Bundle>(Key{}, fs::path("/"));
    }();
    return executableBundle;
}

void Bundle::setMain(std::shared_ptr<Bundle> bundle) {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.mainOverride = std::move(bundle);
}

std::shared_ptr<Bundle> Bundle::containing(const void* address) {
    {
        auto& shared = registry();
        std::lock_guard lock(shared.mutex);
        if (shared.frameworkOverride) return shared.frameworkOverride;
    }
    if (!address) return main();

    Dl_info info{};
    link_map* library = nullptr;
    if (dladdr1(address, &info, reinterpret_cast<void**>(&library), RTLD_DL_LINKMAP) == 0 ||
        !library || !library->l_name || library->l_name[0] == '\0') {
        return main();  // Not in any loaded object, or in the executable itself.
    }
    std::error_code error;
    const fs::path file(library->l_name);
    if (!fs::is_regular_file(file, error)) return main();  // The vDSO and the like.
    auto bundle = atPath(normalized(file).parent_path());
    return bundle ? bundle : main();
}

void Bundle::setFrameworkOverride(std::shared_ptr<Bundle> bundle) {
    auto& shared = registry();
    std::lock_guard lock(shared.mutex);
    shared.frameworkOverride = std::move(bundle);
}

std::optional<std::filesystem::path> Bundle::pathForResource(std::string_view name,
                                                             std::string_view type) const {
    try {
        if (!isSafeResourceName(name)) return std::nullopt;
        if (!type.empty() && type.front() == '.') type.remove_prefix(1);
        std::string fileName(name);
        if (!type.empty()) {
            if (type.find('/') != std::string_view::npos) return std::nullopt;
            fileName += '.';
            fileName += type;
        }
        fs::path candidate = path_ / fileName;
        std::error_code error;
        if (!fs::exists(candidate, error)) return std::nullopt;
        return candidate;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::filesystem::path> Bundle::urlForResource(std::string_view name,
                                                            std::string_view extension) const {
    return pathForResource(name, extension);
}

const StringsTable& Bundle::table(std::string_view name) const {
    std::lock_guard lock(tablesMutex_);
    if (const auto found = tables_.find(name); found != tables_.end()) return found->second;
    StringsTable table;
    if (const auto path = pathForResource(name, "strings")) {
        if (auto read = StringsTable::read(*path)) table = std::move(*read);
    }
    return tables_.emplace(std::string(name), std::move(table)).first->second;
}

std::string Bundle::localizedString(std::string_view key, std::string_view table) const {
    try {
        if (table.empty()) table = "Localizable";
        if (auto value = this->table(table).lookup(key)) return std::move(*value);
    } catch (const std::exception&) {
        // Falls through to the key, as for a miss.
    }
    return std::string(key);
}

}  // namespace quorvel::platform
