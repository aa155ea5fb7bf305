#include "Source/Configuration/ConfigurationFile.h"

#include <string>

#include "Platform/Foundation/FileContents.h"
#include "Platform/Foundation/PropertyList.h"
#include "Source/Configuration/DefaultTheme.h"
#include "Source/Configuration/Logger.h"

namespace quorvel {

ConfigurationFile ConfigurationFile::load(const std::shared_ptr<platform::Bundle>& bundle) {
    constexpr const char* name = DefaultTheme::Constants::configurationPlistName;
    ConfigurationFile file;
    if (!bundle) return file;
    const auto path = bundle->pathForResource(name, "plist");
    if (!path) return file;

    auto contents = platform::FileContents::read(*path, platform::PropertyList::maximumSize);
    if (contents.failure == platform::FileContents::Failure::missing) return file;
    file.found = true;
    if (!contents.bytes) {
        Logger::quorvelthemes().info("%s.plist could not be read: %s", name, contents.reason);
        return file;
    }
    std::string failure;
    if (auto root = platform::PropertyList::parse(*contents.bytes, failure)) {
        file.decoder.emplace(std::move(*root));
    } else {
        Logger::quorvelthemes().info("%s.plist is not a property list: %s", name, failure);
    }
    file.bytes = std::move(contents.bytes);
    return file;
}

}  // namespace quorvel
