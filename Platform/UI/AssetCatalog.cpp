#include "Platform/UI/AssetCatalog.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "Platform/Foundation/Data.h"

namespace quorvel::platform {

namespace {

struct ImageEntry {
    std::filesystem::path file;
    double scale = 1;
};

struct Catalogue {
    std::map<std::string, Color, std::less<>> colors;
    std::map<std::string, ImageEntry, std::less<>> images;
    // Images decoded so far; guarded by the cache's mutex.
    std::map<std::string, std::shared_ptr<Image>, std::less<>> decoded;
};

struct Cache {
    std::mutex mutex;
    std::map<std::filesystem::path, std::shared_ptr<Catalogue>> catalogues;
};

Cache& cache() {
    static Cache instance;
    return instance;
}

std::optional<double> finiteNumber(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
        return std::nullopt;
    }
    const double value = found->get<double>();
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<Color> parseColor(const nlohmann::json& entry) {
    if (!entry.is_object()) {
        return std::nullopt;
    }
    const auto red = finiteNumber(entry, "red");
    const auto green = finiteNumber(entry, "green");
    const auto blue = finiteNumber(entry, "blue");
    if (!red || !green || !blue) {
        return std::nullopt;
    }
    double alpha = 1;
    if (entry.contains("alpha")) {
        const auto given = finiteNumber(entry, "alpha");
        if (!given) {
            return std::nullopt;
        }
        alpha = *given;
    }
    return Color{*red, *green, *blue, alpha};
}

// A relative path that stays inside the bundle.
std::optional<std::filesystem::path> bundleRelativePath(const nlohmann::json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    const std::string text = value.get<std::string>();
    if (text.empty() || text.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::filesystem::path path(text);
    if (path.is_absolute() || path.has_root_path()) {
        return std::nullopt;
    }
    for (const auto& part : path) {
        if (part == "..") {
            return std::nullopt;
        }
    }
    return path;
}

std::optional<ImageEntry> parseImage(const nlohmann::json& entry) {
    if (entry.is_string()) {
        auto file = bundleRelativePath(entry);
        if (!file) {
            return std::nullopt;
        }
        return ImageEntry{std::move(*file), 1};
    }
    if (!entry.is_object() || !entry.contains("file")) {
        return std::nullopt;
    }
    auto file = bundleRelativePath(entry["file"]);
    if (!file) {
        return std::nullopt;
    }
    double scale = 1;
    if (entry.contains("scale")) {
        const auto given = finiteNumber(entry, "scale");
        if (!given || *given <= 0) {
            return std::nullopt;
        }
        scale = *given;
    }
    return ImageEntry{std::move(*file), scale};
}

std::shared_ptr<Catalogue> readCatalogue(const std::filesystem::path& bundlePath) {
    auto catalogue = std::make_shared<Catalogue>();
    const auto data = readFile(bundlePath / AssetCatalog::fileName);
    if (!data) {
        return catalogue;
    }
    try {
        const auto root = nlohmann::json::parse(data->begin(), data->end(), nullptr, false);
        if (root.is_discarded() || !root.is_object()) {
            return catalogue;
        }
        if (const auto colors = root.find("colors"); colors != root.end() && colors->is_object()) {
            for (const auto& [name, entry] : colors->items()) {
                auto color = parseColor(entry);
                if (color && AssetCatalog::isValidName(name)) {
                    catalogue->colors.emplace(name, *color);
                }
            }
        }
        if (const auto images = root.find("images"); images != root.end() && images->is_object()) {
            for (const auto& [name, entry] : images->items()) {
                auto image = parseImage(entry);
                if (image && AssetCatalog::isValidName(name)) {
                    image->file = bundlePath / image->file;
                    catalogue->images.emplace(name, std::move(*image));
                }
            }
        }
    } catch (const std::exception&) {
        return std::make_shared<Catalogue>();
    }
    return catalogue;
}

std::shared_ptr<Catalogue> catalogueAt(const std::filesystem::path& path) {
    Cache& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = shared.catalogues.find(path); found != shared.catalogues.end()) {
            return found->second;
        }
    }
    // Read without holding the lock; if another thread got there first, its copy is kept.
    auto catalogue = readCatalogue(path);
    std::lock_guard lock(shared.mutex);
    return shared.catalogues.emplace(path, std::move(catalogue)).first->second;
}

std::optional<Color> colorAt(std::string_view name, const std::filesystem::path& bundlePath) {
    if (!AssetCatalog::isValidName(name)) {
        return std::nullopt;
    }
    const auto catalogue = catalogueAt(bundlePath);
    // Colours never change once read, so no lock is needed to look at them.
    const auto found = catalogue->colors.find(name);
    if (found == catalogue->colors.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::shared_ptr<Image> imageAt(std::string_view name, const std::filesystem::path& bundlePath) {
    if (!AssetCatalog::isValidName(name)) {
        return nullptr;
    }
    const auto catalogue = catalogueAt(bundlePath);
    const auto entry = catalogue->images.find(name);
    if (entry == catalogue->images.end()) {
        return nullptr;
    }
    Cache& shared = cache();
    {
        std::lock_guard lock(shared.mutex);
        if (auto found = catalogue->decoded.find(name); found != catalogue->decoded.end()) {
            return found->second;
        }
    }
    const auto decoded = Image::contentsOfFile(entry->second.file);
    if (!decoded) {
        return nullptr;
    }
    auto image = Image::make(decoded->bitmap(), entry->second.scale, decoded->orientation());
    std::lock_guard lock(shared.mutex);
    return catalogue->decoded.emplace(std::string(name), std::move(image)).first->second;
}

std::shared_ptr<Bundle> orMain(const std::shared_ptr<Bundle>& bundle) {
    return bundle ? bundle : Bundle::main();
}

}  // namespace

bool AssetCatalog::isValidName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::optional<Color> AssetCatalog::color(std::string_view name,
                                         const std::shared_ptr<Bundle>& bundle) {
    const auto chosen = orMain(bundle);
    return chosen ? colorAt(name, chosen->bundlePath()) : std::nullopt;
}

std::optional<Color> AssetCatalog::color(std::string_view name, const Bundle& bundle) {
    return colorAt(name, bundle.bundlePath());
}

std::shared_ptr<Image> AssetCatalog::image(std::string_view name,
                                           const std::shared_ptr<Bundle>& bundle) {
    const auto chosen = orMain(bundle);
    return chosen ? imageAt(name, chosen->bundlePath()) : nullptr;
}

std::shared_ptr<Image> AssetCatalog::image(std::string_view name, const Bundle& bundle) {
    return imageAt(name, bundle.bundlePath());
}

void AssetCatalog::resetCache() {
    Cache& shared = cache();
    std::lock_guard lock(shared.mutex);
    shared.catalogues.clear();
}

}  // namespace quorvel::platform
